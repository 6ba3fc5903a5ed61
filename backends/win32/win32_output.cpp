#include "backends/win32/win32_output.h"

#include <string>

namespace kivora::win32 {

StandardOutput::Stream::Stream(DWORD which) : handle(GetStdHandle(which)) {
  if (!handle || handle == INVALID_HANDLE_VALUE) {
    handle = nullptr;
    if (AttachConsole(ATTACH_PARENT_PROCESS) || GetLastError() == ERROR_ACCESS_DENIED)  // attached already
      handle = CreateFileW(L"CONOUT$", GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE) handle = nullptr;
  }
  DWORD mode = 0;
  console = handle && GetConsoleMode(handle, &mode);
}

void StandardOutput::Stream::Write(const std::u16string& line) const {
  if (!handle) return;
  std::u16string text = line + u"\r\n";
  DWORD written = 0;
  if (console) {
    WriteConsoleW(handle, W(text), DWORD(text.size()), &written, nullptr);
    return;
  }
  int n = WideCharToMultiByte(CP_UTF8, 0, W(text), int(text.size()), nullptr, 0, nullptr, nullptr);
  std::string utf8(size_t(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, W(text), int(text.size()), utf8.data(), n, nullptr, nullptr);
  WriteFile(handle, utf8.data(), DWORD(utf8.size()), &written, nullptr);
}

StandardOutput::StandardOutput(std::u16string program) : program_(std::move(program)) {}

void StandardOutput::Print(const std::u16string& line) { out_.Write(line); }

void StandardOutput::PrintError(const std::u16string& line) { error_.Write(line); }

void StandardOutput::ShowReport(const RuntimeError& error) { Print(program_ + u": " + error.ReportLine()); }

void StandardOutput::End(ExitStatus status) { ExitProcess(UINT(status)); }

}  // namespace kivora::win32
