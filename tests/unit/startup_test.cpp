// Start-up on the fake back end: centring, the presence check, the loader and
// the way each failure ends the program.
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/common/dispatch.h"
#include "tests/fake/fake_runtime.h"
#include "ui/frm_main.h"

namespace kivora::testing {
namespace {

std::ptrdiff_t IndexOf(const std::vector<std::string>& calls, const std::string& call) {
  auto it = std::find(calls.begin(), calls.end(), call);
  return it == calls.end() ? -1 : it - calls.begin();
}

TEST(FormLoad, CentresVerticallyThenHorizontallyBeforeLookingForTheMenu) {
  FakeRuntime rt;
  rt.screenWidth = 19200;   // 1280 x 1024
  rt.screenHeight = 15360;
  FrmMain form(rt);
  EXPECT_THROW(form.Form_Load(), FakeEnd);  // no menu file: placed all the same

  EXPECT_FLOAT_EQ(rt.top, (15360.0f - 3705.0f) / 2.0f);
  EXPECT_FLOAT_EQ(rt.left, (19200.0f - 6315.0f) / 2.0f);
  auto top = IndexOf(rt.calls, "SetFormTop");
  auto left = IndexOf(rt.calls, "SetFormLeft");
  auto dir = IndexOf(rt.calls, "Dir D:\\menu\\Kivora.ini 0");
  ASSERT_GE(top, 0);
  EXPECT_LT(top, left) << "vertical before horizontal";
  EXPECT_LT(left, dir) << "both placed before the lookup";
}

TEST(FormLoad, ProbePathInsertsExactlyOneSeparator) {
  const struct {
    std::u16string appPath;
    std::string probe;
  } cases[] = {
      {u"D:\\menu", "Dir D:\\menu\\Kivora.ini 0"},
      {u"D:\\", "Dir D:\\\\Kivora.ini 0"},  // a drive root keeps its "\": two in a row
      {u"/", "Dir /\\Kivora.ini 0"},
  };
  for (const auto& c : cases) {
    FakeRuntime rt;
    rt.appPath = c.appPath;
    FrmMain form(rt);
    EXPECT_THROW(form.Form_Load(), FakeEnd);
    EXPECT_GE(IndexOf(rt.calls, c.probe), 0) << c.probe;
  }
}

TEST(FormLoad, MissingMenuSaysErrorAndEndsWithoutLoading) {
  FakeRuntime rt;
  rt.files[u"D:\\menu\\kivora.ini.bak"] = "x";
  FrmMain form(rt);
  try {
    form.Form_Load();
    FAIL() << "Form_Load returned";
  } catch (const FakeEnd& end) {
    EXPECT_EQ(end.status, kExitMenuMissing);
  }
  ASSERT_EQ(rt.messages.size(), 1u);
  EXPECT_EQ(rt.messages[0], u"Error!");
  EXPECT_EQ(rt.calls.back(), "End 1");
  EXPECT_EQ(rt.calls[rt.calls.size() - 2], "MsgBox");
  EXPECT_TRUE(rt.captions.empty());
}

struct LoadCase {
  const char* name;
  std::string file;
  std::u16string lines[7];
};

TEST(LoadMenuFile, TakesTheFirstSevenLinesWhole) {
  const LoadCase cases[] = {
      {"CR LF", "P\r\nA\r\nB\r\nC\r\na.exe\r\nb.exe\r\nc.exe\r\n",
       {u"P", u"A", u"B", u"C", u"a.exe", u"b.exe", u"c.exe"}},
      {"CR alone", "P\rA\rB\rC\ra\rb\rc\r", {u"P", u"A", u"B", u"C", u"a", u"b", u"c"}},
      {"last line without an end", "P\r\nA\r\nB\r\nC\r\na\r\nb\r\nc", {u"P", u"A", u"B", u"C", u"a", u"b", u"c"}},
      {"eight lines", "P\r\nA\r\nB\r\nC\r\na\r\nb\r\nc\r\nextra\r\n", {u"P", u"A", u"B", u"C", u"a", u"b", u"c"}},
      {"spaces, key=value and empty lines kept", "  \r\nname = value\r\n\r\nC \r\n\r\n b\r\nc\r\n",
       {u"  ", u"name = value", u"", u"C ", u"", u" b", u"c"}},
      {"a lone LF is text", "P\n1\r\nA\r\nB\r\nC\r\na\r\nb\r\n", {u"P\n1", u"A", u"B", u"C", u"a", u"b", u""}},
  };
  for (const LoadCase& c : cases) {
    SCOPED_TRACE(c.name);
    FakeRuntime rt;
    rt.files[u"D:\\menu\\Kivora.ini"] = c.file;
    FrmMain form(rt);
    if (std::string(c.name) == "a lone LF is text") {
      // Only six CR-ended lines: the seventh read is past the end.
      EXPECT_THROW(form.Form_Load(), RuntimeError);
      EXPECT_EQ(rt.captions[ControlId::Label1], c.lines[0]);
      continue;
    }
    form.Form_Load();
    EXPECT_EQ(rt.captions[ControlId::Label1], c.lines[0]);
    EXPECT_EQ(rt.captions[ControlId::Option1], c.lines[1]);
    EXPECT_EQ(rt.captions[ControlId::Option2], c.lines[2]);
    EXPECT_EQ(rt.captions[ControlId::Option3], c.lines[3]);
    EXPECT_EQ(form.LaunchTarget1, c.lines[4]);
    EXPECT_EQ(form.LaunchTarget2, c.lines[5]);
    EXPECT_EQ(form.LaunchTarget3, c.lines[6]);
    EXPECT_EQ(rt.calls.back(), "FileClose");
    EXPECT_TRUE(rt.messages.empty());
  }
}

TEST(LoadMenuFile, SetsEachCaptionAsItsLineIsRead) {
  FakeRuntime rt;
  rt.files[u"D:\\menu\\Kivora.ini"] = "P\rA\rB\rC\ra\rb\rc\r";
  FrmMain form(rt);
  form.Form_Load();
  std::vector<std::string> expected = {
      "FileOpen D:\\menu\\Kivora.ini #1", "LineInput", "SetCaption Label1", "LineInput", "SetCaption Option1",
      "LineInput", "SetCaption Option2", "LineInput", "SetCaption Option3", "LineInput", "LineInput",
      "LineInput", "FileClose"};
  auto open = IndexOf(rt.calls, expected[0]);
  ASSERT_GE(open, 0);
  std::vector<std::string> tail(rt.calls.begin() + open, rt.calls.end());
  EXPECT_EQ(tail, expected);
}

TEST(LoadMenuFile, SixLinesEndThroughTheErrorReportNotErrorBox) {
  FakeRuntime rt;
  rt.files[u"D:\\menu\\Kivora.ini"] = "P\r\nA\r\nB\r\nC\r\na\r\nb\r\n";
  FrmMain form(rt);
  try {
    Dispatch(rt, [&] { form.Form_Load(); });
    FAIL() << "the program went on";
  } catch (const FakeEnd& end) {
    EXPECT_EQ(end.status, kExitRuntimeError);
  }
  ASSERT_EQ(rt.messages.size(), 1u);
  EXPECT_EQ(rt.messages[0],
            u"Run-time error '62':\n\nInput past end of file\n\nD:\\menu\\Kivora.ini, line 7");
  EXPECT_EQ(rt.captions[ControlId::Option3], u"C") << "captions read before the error stay set";
  EXPECT_EQ(IndexOf(rt.calls, "FileClose"), -1);
}

TEST(ClosePicture, PressShowsThePressedLookAndReleaseRestoresAndEnds) {
  FakeRuntime rt;
  FrmMain form(rt);
  for (int16_t button : {1, 2, 4}) {
    form.Picture1_MouseDown(button, 0, 10, 10);
    EXPECT_EQ(rt.pictures[ControlId::Picture1], ImageId::ClosePressed);
  }
  try {
    form.Picture1_MouseUp(2, 0, -500, 9000);  // released off the picture
    FAIL() << "did not end";
  } catch (const FakeEnd& end) {
    EXPECT_EQ(end.status, kExitClosed);
  }
  EXPECT_EQ(rt.pictures[ControlId::Picture1], ImageId::CloseNormal);
  EXPECT_EQ(rt.pictures[ControlId::Picture3], ImageId::ClosePressed) << "the stores keep their images";
}

}  // namespace
}  // namespace kivora::testing
