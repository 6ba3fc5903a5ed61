#include "backends/posix/posix_output.h"

#include <cstdio>
#include <cstdlib>
#include <optional>

#include "backends/posix/posix_files.h"
#include "core/text.h"

namespace kivora::posix {

namespace {

void Write(const std::u16string& line, FILE* stream) {
  std::optional<std::string> bytes = Encode(line);
  std::string out = bytes ? *bytes : Utf16ToUtf8(line);
  out += '\n';
  std::fwrite(out.data(), 1, out.size(), stream);
}

}  // namespace

void StandardOutput::Print(const std::u16string& line) { Write(line, stdout); }

void StandardOutput::PrintError(const std::u16string& line) {
  std::fflush(stdout);  // what came before comes first
  Write(line, stderr);
}

void StandardOutput::ShowReport(const RuntimeError& error) { Print(u"kivora: " + error.ReportLine()); }

void StandardOutput::End(ExitStatus status) {
  std::fflush(stdout);
  std::_Exit(status);
}

}  // namespace kivora::posix
