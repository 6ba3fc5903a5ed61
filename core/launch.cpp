#include "core/launch.h"

#include "core/command_line.h"

namespace kivora {

namespace {

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

bool IsFile(FileKind kind) { return kind == FileKind::kNormal || kind == FileKind::kHidden; }

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

Launch ResolveLaunch(std::u16string_view launcherFolder, std::u16string_view target,
                     const Conventions& conventions, const Probe& probe) {
  const std::u16string folder = LaunchFolder(launcherFolder);
  auto pathOf = [&](size_t cut) { return JoinPath(folder, target.substr(0, cut), conventions.separator); };

  size_t firstCut = std::u16string_view::npos;
  size_t cut = 0;
  std::u16string program;
  for (; cut <= target.size(); ++cut) {
    if (cut < target.size() && !IsBlank(target[cut])) continue;
    if (firstCut == std::u16string_view::npos) firstCut = cut;
    std::u16string candidate = pathOf(cut);
    if (IsFile(probe(candidate))) {
      program = candidate;
      break;
    }
    if (!conventions.programExtension.empty() && IsFile(probe(candidate + std::u16string(conventions.programExtension)))) {
      program = candidate + std::u16string(conventions.programExtension);
      break;
    }
  }
  if (program.empty()) {
    cut = firstCut;
    program = pathOf(cut);
  }
  std::u16string arguments(target.substr(cut));
  return {program, arguments, SplitArguments(arguments), QuoteArgument(program) + arguments, pathOf(cut) + arguments};
}

}  // namespace kivora
