#include "core/command_line.h"

namespace kivora {

namespace {
bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }
}  // namespace

std::vector<std::u16string> SplitArguments(std::u16string_view s) {
  std::vector<std::u16string> args;
  size_t i = 0;
  for (;;) {
    while (i < s.size() && IsBlank(s[i])) ++i;
    if (i == s.size()) return args;
    std::u16string arg;
    bool quoted = false;
    while (i < s.size() && (quoted || !IsBlank(s[i]))) {
      if (s[i] == u'\\') {
        size_t n = 0;
        while (i < s.size() && s[i] == u'\\') ++n, ++i;
        if (i < s.size() && s[i] == u'"') {
          arg.append(n / 2, u'\\');
          if (n % 2 == 1) {
            arg += u'"';
            ++i;
          }
        } else {
          arg.append(n, u'\\');
        }
      } else if (s[i] == u'"') {
        if (quoted && i + 1 < s.size() && s[i + 1] == u'"') {
          arg += u'"';
          i += 2;
        } else {
          quoted = !quoted;
          ++i;
        }
      } else {
        arg += s[i++];
      }
    }
    args.push_back(std::move(arg));
  }
}

std::u16string QuoteArgument(std::u16string_view arg) {
  if (!arg.empty() && arg.find_first_of(u" \t\"") == std::u16string_view::npos) return std::u16string(arg);
  std::u16string out = u"\"";
  size_t backslashes = 0;
  for (char16_t c : arg) {
    if (c == u'\\') {
      ++backslashes;
      continue;
    }
    // Backslashes before a quote are doubled, and the quote escaped.
    out.append(c == u'"' ? backslashes * 2 + 1 : backslashes, u'\\');
    backslashes = 0;
    out += c;
  }
  out.append(backslashes * 2, u'\\');  // before the closing quote
  out += u'"';
  return out;
}

}  // namespace kivora
