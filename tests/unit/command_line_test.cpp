// Taking a command line apart without a shell.
#include <gtest/gtest.h>

#include <set>

#include "platform/common/command_line.h"

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

TEST(FindProgram, ShortestExistingCutNeverInsideTheFolder) {
  std::set<std::u16string> files = {u"D:\\My.exe", u"D:\\My Tools\\inst\\a.exe", u"D:\\My Tools\\my app"};
  auto isFile = [&](const std::u16string& p) { return files.count(p) != 0; };
  const std::u16string folder = u"D:\\My Tools";

  auto part = FindProgram(u"D:\\My Tools\\inst\\a.exe -q x", folder.size(), isFile);
  EXPECT_EQ(part.program, u"D:\\My Tools\\inst\\a.exe") << "D:\\My.exe must not be taken";
  EXPECT_EQ(part.arguments, u" -q x");

  part = FindProgram(u"D:\\My Tools\\my app --go", folder.size(), isFile);
  EXPECT_EQ(part.program, u"D:\\My Tools\\my app") << "a blank in the target";

  part = FindProgram(u"D:\\My Tools\\missing -q", folder.size(), isFile);
  EXPECT_EQ(part.program, u"D:\\My Tools\\missing") << "the first cut is named when nothing exists";
}

}  // namespace
}  // namespace kivora
