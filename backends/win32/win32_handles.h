// What every part of the Windows back end shares: owners for the handles and
// GDI objects it opens, the program's UTF-16 strings as Windows takes them,
// and the system's text for an error code.
#pragma once

#define WIN32_LEAN_AND_MEAN
#ifndef UNICODE
#define UNICODE
#endif
#include <windows.h>

#include <memory>
#include <string>
#include <type_traits>
#include <utility>

namespace kivora::win32 {

// An owned handle, closed by close when the owner goes. Windows has two
// empty values, NULL (most functions) and INVALID_HANDLE_VALUE (CreateFile,
// FindFirstFile): the owner holds either as nothing, and closes neither.
template <BOOL(WINAPI* close)(HANDLE)>
class Owned {
 public:
  Owned() = default;
  explicit Owned(HANDLE handle) : handle_(handle) {}
  Owned(Owned&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
  Owned& operator=(Owned&& other) noexcept {
    if (this != &other) {
      reset();
      handle_ = std::exchange(other.handle_, nullptr);
    }
    return *this;
  }
  ~Owned() { reset(); }
  explicit operator bool() const { return handle_ && handle_ != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return handle_; }
  void reset() {
    if (*this) close(handle_);
    handle_ = nullptr;
  }

 private:
  HANDLE handle_ = nullptr;
};
using UniqueHandle = Owned<CloseHandle>;  // files, processes, threads
using FindHandle = Owned<FindClose>;      // a folder's listing

struct GdiDeleter {
  void operator()(HGDIOBJ object) const { DeleteObject(object); }
};
template <typename T>
using GdiObject = std::unique_ptr<std::remove_pointer_t<T>, GdiDeleter>;

// A window's device context, for as long as it is needed.
class WindowDC {
 public:
  explicit WindowDC(HWND window) : window_(window), dc_(GetDC(window)) {}
  ~WindowDC() { ReleaseDC(window_, dc_); }
  WindowDC(const WindowDC&) = delete;
  WindowDC& operator=(const WindowDC&) = delete;
  operator HDC() const { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

// The program's strings are UTF-16, as Windows's own are: they are passed as
// they are.
static_assert(sizeof(wchar_t) == sizeof(char16_t), "wchar_t is UTF-16 on Windows");
inline const wchar_t* W(const std::u16string& s) { return reinterpret_cast<const wchar_t*>(s.c_str()); }
inline wchar_t* W(std::u16string& s) { return reinterpret_cast<wchar_t*>(s.data()); }
inline const wchar_t* W(const char16_t* s) { return reinterpret_cast<const wchar_t*>(s); }
inline std::u16string U(const wchar_t* s, size_t n) { return std::u16string(reinterpret_cast<const char16_t*>(s), n); }
inline std::u16string U(const wchar_t* s) { return U(s, wcslen(s)); }

// A function of a DLL that is already loaded, looked up at run time: null
// where the DLL is not loaded or this Windows lacks the function.
template <typename Function>
Function FunctionOf(HMODULE dll, const char* name) {
  return dll ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(dll, name))) : nullptr;
}

// The system's text for a GetLastError() code, without its line end, with
// name where the text has a place for one ("%1 is not a valid Win32
// application."). Inserts are taken as they stand and put in here, so that a
// text with more places than names reads no argument that is not there.
inline std::u16string SystemText(DWORD error, const std::u16string& name = u"") {
  wchar_t* text = nullptr;
  FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                 nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::u16string s = text ? U(text) : u"";
  if (text) LocalFree(text);
  while (!s.empty() && (s.back() == u'\n' || s.back() == u'\r' || s.back() == u' ')) s.pop_back();
  for (size_t at = 0; !name.empty() && (at = s.find(u"%1", at)) != std::u16string::npos; at += name.size())
    s.replace(at, 2, name);
  return s;
}

}  // namespace kivora::win32
