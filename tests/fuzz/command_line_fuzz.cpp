// Fuzzes command-line splitting and quoting: splitting never fails, and
// quoting any argument round-trips through the splitter unchanged.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/common/command_line.h"

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
  size_t keep = size ? data[0] % (text.size() + 1) : 0;
  auto part = kivora::FindProgram(text, keep, [&](const std::u16string& p) { return p.size() % 3 == 0; });
  if (part.program.size() + part.arguments.size() > text.size()) std::abort();
  return 0;
}
