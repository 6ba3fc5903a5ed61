#include "core/launch.h"

#include <algorithm>

#include "core/command_line.h"
#include "core/names.h"
#include "core/runtime_error.h"
#include "core/text.h"

namespace kivora {

namespace {

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

// A web or mail address, whatever the case of its scheme.
bool IsAddress(std::u16string_view target) {
  for (std::u16string_view scheme : {u"http://", u"https://", u"mailto:"})
    if (target.size() >= scheme.size() && SameIgnoringCase(target.substr(0, scheme.size()), scheme)) return true;
  return false;
}

// What is wrong with a path that no file system of the system could hold, or
// "" when nothing is.
std::u16string TooLong(std::u16string_view path, const Conventions& conventions) {
  for (size_t start = 0, end; start <= path.size(); start = end + 1) {
    end = std::min(path.find(conventions.separator, start), path.size());
    if (end - start > conventions.longestName)
      return u"a name in it is longer than " + Utf8ToUtf16(std::to_string(conventions.longestName)) + u" characters";
  }
  if (path.size() > conventions.longestPath)
    return u"it is longer than " + Utf8ToUtf16(std::to_string(conventions.longestPath)) + u" characters";
  return u"";
}

// A target as a report shows it: whole up to 260 characters, the classic
// limit of a Windows path, and beyond that its start and an ellipsis, so
// that a menu line of up to 32 KiB makes no report taller than the screen.
std::u16string Shortened(std::u16string_view text) {
  constexpr size_t kShown = 260;
  return text.size() <= kShown ? std::u16string(text) : std::u16string(text.substr(0, SafeCut(text, kShown))) + u"\u2026";
}

}  // namespace

std::u16string LaunchFolder(std::u16string_view folder) {
  // A three-letter folder is a root only if it ends in a separator: /cd is not.
  bool root = folder.size() == 3 && (folder[2] == u'\\' || folder[2] == u'/');
  return std::u16string(root ? folder.substr(0, 2) : folder);
}

std::u16string JoinPath(std::u16string_view folder, std::u16string_view name, char16_t separator) {
  std::u16string path(folder);
  path += separator;
  for (char16_t c : name) path += c == u'\\' ? separator : c;
  return path;
}

Resolution Resolve(std::u16string_view launcherFolder, std::u16string_view target, const Conventions& conventions,
                   const FileLookup& files) {
  const std::u16string folder = LaunchFolder(launcherFolder);
  auto pathOf = [&](std::u16string_view name) { return JoinPath(folder, name, conventions.separator); };
  auto shownAs = [&](std::u16string_view what) { return Shortened(ShownPath(what, conventions.separator)); };

  // Every system ends a name at a NUL, so the program started would not be
  // the one the line names. The report shows where the NUL stands.
  if (target.find(u'\0') != std::u16string_view::npos) {
    std::u16string shown = pathOf(target);
    std::replace(shown.begin(), shown.end(), u'\0', u'\u2400');
    return {{}, false, RuntimeError(kErrBadFileName, shownAs(shown) + u": it holds a NUL character, which no file name can")};
  }
  if (IsAddress(target)) {
    std::u16string address(target);
    return {{.program = address, .address = true, .commandLine = address, .shown = Shortened(address),
             .folder = std::u16string(launcherFolder)},
            false,
            std::nullopt};
  }

  // The file a name finds, or "". A path no file system can hold names no
  // file, and is not handed to the system to find out. Names that differ
  // only in case are kept for the report.
  std::vector<std::u16string> alike;
  bool caseDiffers = false;
  auto find = [&](std::u16string_view name) {
    if (!TooLong(pathOf(name), conventions).empty()) return std::u16string();
    Found found = FindPath(folder, name, conventions, files);
    if (!IsFile(found.kind)) {
      if (alike.empty()) alike = found.alike;
      return std::u16string();
    }
    caseDiffers = found.caseDiffers;
    return found.path;
  };
  const std::u16string extension(conventions.programExtension);
  auto findProgram = [&](std::u16string_view name) {
    std::u16string program = find(name);
    if (program.empty() && !extension.empty()) program = find(std::u16string(name) + extension);
    return program;
  };

  // The program part: what a pair of quotes holds, as written; else the
  // longest start of the line, cut at a blank, that names a file ("Setup
  // Files\My Setup.exe" before a "Setup.exe" beside it). A longer cut of a
  // path no file system can hold is as long, so the search stops there.
  std::u16string_view name, arguments;
  std::u16string program;
  if (!target.empty() && target[0] == u'"') {
    size_t close = target.find(u'"', 1);
    name = target.substr(1, close == std::u16string_view::npos ? std::u16string_view::npos : close - 1);
    arguments = close == std::u16string_view::npos ? u"" : target.substr(close + 1);
    program = findProgram(name);
  } else {
    std::vector<size_t> cuts;
    for (size_t at = 0; at <= target.size(); ++at)
      if (at == target.size() || IsBlank(target[at])) {
        if (!TooLong(pathOf(target.substr(0, at)), conventions).empty()) break;
        cuts.push_back(at);
      }
    const size_t firstCut = std::min(target.find_first_of(u" \t"), target.size());
    size_t cut = firstCut;
    for (auto at = cuts.rbegin(); at != cuts.rend() && program.empty(); ++at)
      if (!(program = findProgram(target.substr(0, *at))).empty()) cut = *at;
    if (program.empty()) {
      // What the report names: the first cut whose last name has an
      // extension ("Setup Files\\setup.exe /q"), else the first.
      auto named = std::find_if(cuts.begin(), cuts.end(), [&](size_t at) {
        std::u16string_view start = target.substr(0, at);
        return start.substr(start.find_last_of(u"\\/") + 1).find(u'.') != std::u16string_view::npos;
      });
      cut = named != cuts.end() ? *named : firstCut;
      alike.clear();
      findProgram(target.substr(0, cut));
    }
    name = target.substr(0, cut);
    arguments = target.substr(cut);
  }
  const bool found = !program.empty();
  if (!found) program = pathOf(name);
  const std::u16string shown = shownAs(program);
  Launch launch{.program = program,
                .found = found,
                .argumentLine = std::u16string(arguments),
                .arguments = SplitArguments(arguments),
                .commandLine = QuoteArgument(program) + std::u16string(arguments),
                .shown = shown,
                .folder = std::u16string(launcherFolder)};
  if (!found && !alike.empty()) return {launch, false, NamesAlike(shown, alike)};
  std::u16string tooLong = TooLong(program, conventions);
  if (!tooLong.empty()) return {launch, false, RuntimeError(kErrBadFileName, shown + u": " + tooLong)};
  return {launch, found && caseDiffers, std::nullopt};
}

Resolution Resolve(std::u16string_view launcherFolder, const TextLine& target, const Conventions& conventions,
                   const FileLookup& files) {
  Resolution byText = Resolve(launcherFolder, target.text, conventions, files);
  if (byText.launch.found || byText.launch.address || target.bytes == target.text) return byText;
  Resolution byBytes = Resolve(launcherFolder, target.bytes, conventions, files);
  return byBytes.launch.found ? byBytes : byText;
}

}  // namespace kivora
