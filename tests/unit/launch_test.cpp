// "Next" on the fake back end: the command line it composes and which
// choices it starts.
#include <gtest/gtest.h>

#include "tests/fake/fake_runtime.h"
#include "ui/frm_main.h"

namespace kivora::testing {
namespace {

TEST(Command1Click, ComposesFolderSeparatorAndTarget) {
  const struct {
    std::u16string appPath, target, commandLine;
  } cases[] = {
      {u"D:\\", u"inst\\a.exe", u"D:\\inst\\a.exe"},  // a drive root is cut to "D:"
      {u"D:\\menu", u"inst\\a.exe", u"D:\\menu\\inst\\a.exe"},
      {u"D:\\My Tools", u"inst\\a.exe -q", u"D:\\My Tools\\inst\\a.exe -q"},
      {u"/", u"inst\\a.sh", u"/\\inst\\a.sh"},
      {u"/cd", u"a.sh", u"/cd\\a.sh"},  // three letters but no root: kept whole
  };
  for (const auto& c : cases) {
    FakeRuntime rt;
    rt.appPath = c.appPath;
    FrmMain form(rt);
    form.LaunchTarget1 = c.target;
    form.Command1_Click();
    ASSERT_EQ(rt.launched.size(), 1u);
    EXPECT_EQ(rt.launched[0], c.commandLine);
  }
}

TEST(Command1Click, StartsOnlyTheSelectedChoiceOncePerClick) {
  FakeRuntime rt;
  FrmMain form(rt);
  form.LaunchTarget1 = u"one.exe";
  form.LaunchTarget2 = u"two.exe";
  form.LaunchTarget3 = u"three.exe";
  rt.Select(ControlId::Option2);
  form.Command1_Click();
  form.Command1_Click();
  EXPECT_EQ(rt.launched, (std::vector<std::u16string>{u"D:\\menu\\two.exe", u"D:\\menu\\two.exe"}));
  EXPECT_EQ(rt.optionValues[ControlId::Option2], kTrue) << "the selection is left as it was";
  auto shell = std::find(rt.calls.begin(), rt.calls.end(), "Shell D:\\menu\\two.exe 1");
  ASSERT_NE(shell, rt.calls.end());
  EXPECT_EQ(*(shell + 1), "DoEvents") << "events are pumped after each start";
}

TEST(Command1Click, ALaterChoiceSelectedWhileEventsArePumpedStartsInTheSameClick) {
  FakeRuntime rt;
  FrmMain form(rt);
  form.LaunchTarget1 = u"one.exe";
  form.LaunchTarget3 = u"three.exe";
  rt.onDoEvents = [&] { rt.Select(ControlId::Option3); };
  form.Command1_Click();
  EXPECT_EQ(rt.launched, (std::vector<std::u16string>{u"D:\\menu\\one.exe", u"D:\\menu\\three.exe"}));
}

TEST(Command1Click, AnEmptyTargetIsAStartFailure) {
  FakeRuntime rt;
  FrmMain form(rt);
  try {
    form.Command1_Click();
    FAIL() << "an empty target started";
  } catch (const RuntimeError& error) {
    EXPECT_EQ(error.number(), kErrFileNotFound);
    EXPECT_EQ(error.concerns(), u"D:\\menu\\");
  }
}

}  // namespace
}  // namespace kivora::testing
