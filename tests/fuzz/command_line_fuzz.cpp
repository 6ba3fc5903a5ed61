// Fuzzes command-line splitting and quoting: splitting never fails, quoting
// any argument round-trips through the splitter unchanged, and finding the
// program in a menu line loses nothing of it.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/command_line.h"
#include "core/launch.h"
#include "core/runtime_error.h"
#include "core/files.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::u16string text;
  for (size_t i = 0; i + 1 < size; i += 2) text += char16_t(data[i] | data[i + 1] << 8);
  auto args = kivora::SplitArguments(text);
  for (const auto& arg : args) {
    auto again = kivora::SplitArguments(kivora::QuoteArgument(arg));
    if (again.size() != 1 || again[0] != arg) std::abort();
  }
  auto whole = kivora::SplitArguments(kivora::QuoteArgument(text));
  if (whole.size() != 1 || whole[0] != text) std::abort();
  constexpr kivora::Conventions kWindows = kivora::kWindowsConventions;
  auto probe = [](const std::u16string& p) {
    return p.size() % 3 == 0 ? kivora::FileKind::kNormal : kivora::FileKind::kNone;
  };
  auto resolved = kivora::Resolve(u"D:\\m", text, kWindows, {probe, {}});
  if (resolved.refused) {
    // A name too long for any file system, or names alike.
    if (resolved.refused->number() != kivora::kErrBadFileName) std::abort();
  } else if (resolved.launch.commandLine.size() < resolved.launch.argumentLine.size() ||
             resolved.launch.commandLine.compare(resolved.launch.commandLine.size() - resolved.launch.argumentLine.size(),
                                                 std::u16string::npos, resolved.launch.argumentLine) != 0 ||
             text.find(resolved.launch.argumentLine) == std::u16string::npos) {
    std::abort();  // the arguments are the line's own, and follow the program
  }
  return 0;
}
