#include "core/names.h"

#include <algorithm>
#include <cstdint>
#include <iterator>

namespace kivora {

namespace {

// A run in 8 bytes: a character takes 21 bits, an offset 17 (one type for
// all four, so that the fields share one unit in every compiler's layout).
struct Fold {
  int64_t first : 22, last : 22, offset : 17, step : 3;
};
static_assert(sizeof(Fold) == 8, "a run of the table in 8 bytes");

constexpr Fold kFolds[] = {
#include "core/case_folding_table.inc"
};

bool IsHigh(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLow(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// The next character of text at i, a surrogate pair taken whole.
char32_t NextCharacter(std::u16string_view text, size_t& i) {
  char32_t c = text[i++];
  if (IsHigh(char16_t(c)) && i < text.size() && IsLow(text[i])) c = 0x10000 + ((c - 0xD800) << 10) + (text[i++] - 0xDC00);
  return c;
}

}  // namespace

std::u16string_view WithoutVersion(std::u16string_view name) {
  size_t semicolon = name.rfind(u';');
  if (semicolon == std::u16string_view::npos || semicolon + 1 == name.size()) return name;
  for (size_t i = semicolon + 1; i < name.size(); ++i)
    if (name[i] < u'0' || name[i] > u'9') return name;
  std::u16string_view stem = name.substr(0, semicolon);
  return stem.size() > 1 && stem.back() == u'.' ? stem.substr(0, stem.size() - 1) : stem;
}

char32_t FoldedCase(char32_t c) {
  auto fold = std::upper_bound(std::begin(kFolds), std::end(kFolds), c,
                               [](char32_t value, const Fold& f) { return value < char32_t(f.first); });
  if (fold == std::begin(kFolds)) return c;
  --fold;
  bool folds = c <= char32_t(fold->last) && (c - char32_t(fold->first)) % char32_t(fold->step) == 0;
  return folds ? char32_t(int(c) + int(fold->offset)) : c;
}

bool SameIgnoringCase(std::u16string_view a, std::u16string_view b) {
  size_t i = 0, j = 0;
  while (i < a.size() && j < b.size())
    if (FoldedCase(NextCharacter(a, i)) != FoldedCase(NextCharacter(b, j))) return false;
  return i == a.size() && j == b.size();
}

Found FindPath(std::u16string_view folder, std::u16string_view name, const Conventions& conventions,
               const FileLookup& files) {
  const char16_t separator = conventions.separator;
  Found found;
  found.path = folder;
  auto isSeparator = [&](char16_t c) { return c == u'\\' || c == separator; };
  auto asWritten = [&](std::u16string_view rest) {
    std::u16string path = found.path;
    path += separator;
    for (char16_t c : rest) path += isSeparator(c) ? separator : c;
    return path;
  };
  // The whole name as written: one probe, whatever the system.
  std::u16string whole = asWritten(name);
  found.kind = files.probe(whole);
  if (found.kind != FileKind::kNone || conventions.findsAnyCase) {
    found.path = whole;
    return found;
  }
  // Part by part, each one as written or else in any case.
  for (size_t start = 0; start <= name.size();) {
    size_t end = std::find_if(name.begin() + start, name.end(), isSeparator) - name.begin();
    std::u16string_view part = name.substr(start, end - start);
    std::u16string written = found.path + separator + std::u16string(part);
    bool special = part.empty() || part == u"." || part == u"..";
    if (!special && files.probe(written) == FileKind::kNone) {
      std::vector<std::u16string> alike;
      bool caseDiffers = false;
      for (const std::u16string& entry : files.list(found.path)) {
        std::u16string_view name = WithoutVersion(entry);
        if (!SameIgnoringCase(name, part)) continue;
        alike.push_back(found.path + separator + entry);
        caseDiffers = name != part;
      }
      if (alike.size() != 1) {
        std::sort(alike.begin(), alike.end());
        if (alike.size() > 1) found.alike = std::move(alike);
        found.path = asWritten(name.substr(start));
        found.kind = FileKind::kNone;
        return found;
      }
      written = alike.front();
      found.caseDiffers |= caseDiffers;
    }
    found.path = written;
    start = end + 1;
  }
  found.kind = files.probe(found.path);
  return found;
}

std::u16string ShownPath(std::u16string_view path, char16_t separator) {
  std::u16string shown;
  for (size_t i = 0; i < path.size(); ++i)
    if (!(i > 1 && path[i] == separator && path[i - 1] == separator)) shown += path[i];
  return shown;
}

RuntimeError NamesAlike(const std::u16string& shown, const std::vector<std::u16string>& alike) {
  std::u16string names;
  for (const std::u16string& path : alike) names += (names.empty() ? u"" : u", ") + path;
  return RuntimeError(kErrFileNotFound, shown + u": more than one name differs from it only in case (" + names + u")");
}

}  // namespace kivora
