// How a command line is taken apart when there is no shell: the program part
// found as Windows finds it, the rest split by the Windows argument rules.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace kivora {

// Splits arguments as the Microsoft C run time does: blanks and tabs separate,
// double quotes group, "" inside quotes is a quote, and backslashes are
// literal unless they come before a quote (2n of them give n and the quote
// groups, 2n+1 give n and a literal quote).
std::vector<std::u16string> SplitArguments(std::u16string_view arguments);

struct ProgramPart {
  std::u16string program;    // the file to start, as written (quotes removed)
  std::u16string arguments;  // what follows it, unsplit
};

// Finds the program in an unquoted command line: the shortest prefix, cut at a
// blank, that names an existing file (isFile). The first keepWhole characters
// (the launcher's own folder) are never cut. A line that opens with a quote
// names its program between the quotes. When no cut names a file, the program
// is the whole line up to the first blank after keepWhole, so that the error
// report names what was looked for.
ProgramPart FindProgram(std::u16string_view commandLine, size_t keepWhole,
                        const std::function<bool(const std::u16string&)>& isFile);

// Quotes one argument so that SplitArguments gives it back unchanged.
std::u16string QuoteArgument(std::u16string_view argument);

}  // namespace kivora
