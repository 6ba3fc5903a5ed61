#include "platform/common/command_line.h"

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

ProgramPart FindProgram(std::u16string_view line, size_t keepWhole,
                        const std::function<bool(const std::u16string&)>& isFile) {
  if (!line.empty() && line[0] == u'"') {
    size_t close = line.find(u'"', 1);
    if (close == std::u16string_view::npos) return {std::u16string(line.substr(1)), u""};
    return {std::u16string(line.substr(1, close - 1)), std::u16string(line.substr(close + 1))};
  }
  if (keepWhole > line.size()) keepWhole = line.size();
  size_t firstCut = std::u16string_view::npos;
  for (size_t cut = keepWhole; cut <= line.size(); ++cut) {
    if (cut < line.size() && !IsBlank(line[cut])) continue;
    if (firstCut == std::u16string_view::npos) firstCut = cut;
    std::u16string candidate(line.substr(0, cut));
    if (isFile(candidate)) return {candidate, std::u16string(line.substr(cut))};
  }
  return {std::u16string(line.substr(0, firstCut)), std::u16string(line.substr(firstCut))};
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
