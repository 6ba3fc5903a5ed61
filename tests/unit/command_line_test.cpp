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
  };
  for (const auto& c : cases) EXPECT_EQ(SplitArguments(c.line), c.args);
}

TEST(QuoteArgument, RoundTripsThroughSplit) {
  for (std::u16string arg : {u"plain", u"a b", u"a\"b", u"ends\\", u"\\\"", u"x \\\\"}) {
    auto split = SplitArguments(QuoteArgument(arg));
    ASSERT_EQ(split.size(), 1u);
    EXPECT_EQ(split[0], arg);
  }
}

}  // namespace
}  // namespace kivora
