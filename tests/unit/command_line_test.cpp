// Splitting a command line into arguments and quoting them, by the rules of
// the Windows C run time.
#include <gtest/gtest.h>

#include "core/command_line.h"

namespace kivora {
namespace {

TEST(SplitArguments, FollowsTheWindowsRules) {
  const struct {
    std::u16string line;
    std::vector<std::u16string> args;
  } cases[] = {
      {u"", {}},
      {u"  a  b\tc ", {u"a", u"b", u"c"}},
      {u"\"a b\" c", {u"a b", u"c"}},
      {u"a\\\\b", {u"a\\\\b"}},            // backslashes alone are literal
      {u"\"a\\\\\" b", {u"a\\", u"b"}},     // 2n before a quote: n, quote groups
      {u"a\\\"b", {u"a\"b"}},               // 2n+1: n and a literal quote
      {u"\"a\"\"b\"", {u"a\"b"}},            // "" inside quotes
      {u"a\"b c\"d", {u"ab cd"}},
      {u"; touch pwned", {u";", u"touch", u"pwned"}},
      {u"\"\"", {u""}},                 // an empty argument
      {u"a\"\"b", {u"ab"}},              // quotes next to text group nothing
      {u"\"\" x", {u"", u"x"}},
      {u"x \"\"", {u"x", u""}},          // a trailing empty argument
      {u"\"unclosed arg", {u"unclosed arg"}},
  };
  for (const auto& c : cases) EXPECT_EQ(SplitArguments(c.line), c.args);
}

TEST(QuoteArgument, BuildsALineThatSplitsBackIntoTheSameArguments) {
  const std::vector<std::u16string> cases[] = {
      {u"plain"},
      {u"a b", u"a\"b"},
      {u"ends\\", u"\\\"", u"x \\\\"},
      {u""},                   // an empty argument is written as ""
      {u"", u"x", u""},        // and is kept first, between others and last
      {u"a\t b", u"\"\"", u"\\\\"},
      {u"a\tb"},  // a tab alone needs quotes too
  };
  for (const auto& args : cases) {
    std::u16string line;
    for (const auto& arg : args) line += (line.empty() ? u"" : u" ") + QuoteArgument(arg);
    EXPECT_EQ(SplitArguments(line), args) << std::string(line.begin(), line.end());
  }
  EXPECT_EQ(QuoteArgument(u""), u"\"\"");
  EXPECT_EQ(QuoteArgument(u"plain"), u"plain") << "what needs no quotes gets none";
}

}  // namespace
}  // namespace kivora
