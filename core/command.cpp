#include "core/command.h"

namespace kivora {

namespace {

bool IsHelp(const std::u16string& argument) {
  for (const char16_t* help : {u"--help", u"/?", u"-h", u"-?"})
    if (argument == help) return true;
  return false;
}

}  // namespace

Command ParseCommand(const std::vector<std::u16string>& arguments) {
  if (arguments.empty()) return {};
  const std::u16string& first = arguments[0];
  if (arguments.size() == 1 && IsHelp(first)) return {Command::kHelp, u"", u""};
  if (arguments.size() == 1 && first == u"--version") return {Command::kVersion, u"", u""};
  if (first == u"--check" && arguments.size() <= 2) {
    std::u16string folder = arguments.size() == 2 ? arguments[1] : u"";
    if (folder.size() > 1 && folder.back() == u'"') folder.pop_back();
    return {Command::kCheck, folder, u""};
  }
  // The first argument not taken: a mistyped option, or one too many.
  size_t taken = 0;
  if (first == u"--check")
    taken = 2;
  else if (IsHelp(first) || first == u"--version")
    taken = 1;
  return {Command::kUnknown, u"", arguments[taken]};
}

namespace {

std::u16string Synopsis(const Usage& usage) {
  return u"Usage: " + usage.program + u" [--check [FOLDER] | --help | --version]";
}

std::vector<std::u16string> Help(const Usage& usage) {
  return {Synopsis(usage),
          u"",
          usage.withoutCommand,
          u"",
          u"  --check [FOLDER]  reads FOLDER's Kivora.ini (by default " + usage.defaultMenu + u")",
          u"                    as the launchers for Windows and for Linux read it, and",
          u"                    tells what each choice does on each and what will go wrong;",
          u"                    it shows no window and starts nothing",
          u"  --help            this text",
          u"  --version         the launcher's version",
          u"",
          u"Exit status of --check: 0 no problem found, 1 no Kivora.ini, 2 the menu cannot",
          u"be read, 3 problems found (each on a line of its own). An argument not listed",
          u"here is a usage error: exit status 4, and nothing is checked."};
}

}  // namespace

int RunCommand(const Command& command, const Usage& usage, Printer& printer) {
  switch (command.mode) {
    case Command::kVersion: printer.Print(u"Kivora " KIVORA_VERSION); return kExitClosed;
    case Command::kHelp:
    case Command::kLauncher:
      for (const std::u16string& line : Help(usage)) printer.Print(line);
      return command.mode == Command::kHelp ? kExitClosed : kExitUsage;
    case Command::kCheck:
    case Command::kUnknown: break;
  }
  printer.PrintError(usage.program + u": unknown argument \"" + command.argument + u"\"");
  printer.PrintError(Synopsis(usage));
  return kExitUsage;
}

}  // namespace kivora
