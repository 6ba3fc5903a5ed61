#include "backends/win32/win32_output.h"

#include <string>

namespace kivora::win32 {

StandardOutput::StandardOutput(std::u16string program)
    : program_(std::move(program)), out_(GetStdHandle(STD_OUTPUT_HANDLE)) {
  if (!out_ || out_ == INVALID_HANDLE_VALUE) {
    out_ = nullptr;
    if (AttachConsole(ATTACH_PARENT_PROCESS))
      out_ = CreateFileW(L"CONOUT$", GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (out_ == INVALID_HANDLE_VALUE) out_ = nullptr;
  }
  DWORD mode = 0;
  console_ = out_ && GetConsoleMode(out_, &mode);
}

void StandardOutput::Print(const std::u16string& line) {
  if (!out_) return;
  std::u16string text = line + u"\r\n";
  DWORD written = 0;
  if (console_) {
    WriteConsoleW(out_, W(text), DWORD(text.size()), &written, nullptr);
    return;
  }
  int n = WideCharToMultiByte(CP_UTF8, 0, W(text), int(text.size()), nullptr, 0, nullptr, nullptr);
  std::string utf8(size_t(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, W(text), int(text.size()), utf8.data(), n, nullptr, nullptr);
  WriteFile(out_, utf8.data(), DWORD(utf8.size()), &written, nullptr);
}

void StandardOutput::ShowReport(const RuntimeError& error) { Print(program_ + u": " + error.ReportLine()); }

void StandardOutput::End(ExitStatus status) { ExitProcess(UINT(status)); }

}  // namespace kivora::win32
