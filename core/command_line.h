// Command-line arguments by the rules of the Windows C run time: splitting a
// line into arguments, and quoting an argument so that it survives the split.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kivora {

// Splits arguments as the Microsoft C run time does: blanks and tabs separate,
// double quotes group, "" inside quotes is a quote, and backslashes are
// literal unless they come before a quote (2n of them give n and the quote
// groups, 2n+1 give n and a literal quote).
std::vector<std::u16string> SplitArguments(std::u16string_view arguments);

// Quotes one argument so that SplitArguments gives it back unchanged.
std::u16string QuoteArgument(std::u16string_view argument);

}  // namespace kivora
