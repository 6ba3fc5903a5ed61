// The report as the message box shows it.
#include <gtest/gtest.h>

#include "core/runtime_error.h"

namespace kivora {
namespace {

TEST(RuntimeError, TheReportBreaksOnlyLongRunsWithoutABlank) {
  const std::u16string a64(64, u'a'), pair = u"\U0001F600";
  const struct {
    const char* name;
    std::u16string concerns, shown;
  } cases[] = {
      {"none", u"", u""},
      {"a path and the system's text", u"D:\\m\\one.exe: File not found", u"D:\\m\\one.exe: File not found"},
      {"a run of 64 stays whole", a64, a64},
      {"a run of 65 goes on the next line", a64 + u"b", a64 + u"\nb"},
      {"a run of 200 takes four lines", a64 + a64 + a64 + u"12345678",
       a64 + u"\n" + a64 + u"\n" + a64 + u"\n12345678"},
      {"a blank or a tab begins a new run", a64 + u" " + a64 + u"\t" + a64, a64 + u" " + a64 + u"\t" + a64},
      {"a surrogate pair across the limit goes whole on the next line", std::u16string(63, u'a') + pair + u"b",
       std::u16string(63, u'a') + u"\n" + pair + u"b"},
      {"an escaped byte is shown as U+FFFD", u"/m/caf\xDCE9", u"/m/caf\uFFFD"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::u16string report = u"Run-time error '53':\n\nFile not found";
    EXPECT_EQ(RuntimeError(kErrFileNotFound, c.concerns).Report(), c.shown.empty() ? report : report + u"\n\n" + c.shown);
    EXPECT_EQ(RuntimeError(kErrFileNotFound, c.concerns).ReportLine().find(u'\n'), std::u16string::npos)
        << "standard error gets one line";
  }
}

}  // namespace
}  // namespace kivora
