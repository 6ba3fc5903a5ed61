#include "tests/fake/fake_system.h"

#include <algorithm>
#include <cstring>

#include "core/text.h"

namespace kivora::testing {

void FakeSystem::Choose(Control choice) {
  for (Control c : {Control::kChoice1, Control::kChoice2, Control::kChoice3}) chosen[c] = c == choice;
}

void FakeSystem::ShowText(Control control, const Caption& caption, Rect where) {
  texts[control] = caption.text;
  accessKeys[control] = caption.accessKey;
  bounds[control] = where;
}

void FakeSystem::PumpEvents() {
  ++pumps;
  if (auto act = std::move(onPump)) act();
}

FileKind FakeSystem::Probe(const std::u16string& path) {
  probed.push_back(path);
  if (files.count(path)) return hidden.count(path) ? FileKind::kHidden : FileKind::kNormal;
  auto other = others.find(path);
  return other == others.end() ? FileKind::kNone : other->second;
}

// The names of the scripted files and folders right in folder.
std::vector<std::u16string> FakeSystem::ListFolder(const std::u16string& folder) {
  std::vector<std::u16string> names;
  const std::u16string start = folder + rules.separator;
  auto add = [&](const std::u16string& path) {
    if (path.size() > start.size() && path.compare(0, start.size(), start) == 0 &&
        path.find(rules.separator, start.size()) == std::u16string::npos)
      names.push_back(path.substr(start.size()));
  };
  for (const auto& [path, bytes] : files) add(path);
  for (const auto& [path, kind] : others) add(path);
  // No real system sorts a listing.
  std::reverse(names.begin(), names.end());
  return names;
}

std::unique_ptr<ByteSource> FakeSystem::OpenFile(const std::u16string& path) {
  auto fails = openFails.find(path);
  if (fails != openFails.end()) Raise(SystemFailure(Action::kRead, fails->second, path, u"scripted failure"));
  return std::make_unique<MemorySource>(files.at(path));
}

FileHead FakeSystem::Head(const std::u16string& path) {
  FileHead head;
  auto fails = readFails.find(path);
  if (fails != readFails.end()) {
    head.unreadable = SystemError{fails->second, u"scripted failure"};
    return head;
  }
  const std::string& bytes = files[path];
  head.first = bytes.substr(0, kHeadBytes);
  head.last = bytes.substr(bytes.size() - std::min(bytes.size(), kHeadBytes));
  head.size = bytes.size();
  head.readOnlyMedium = readOnlyMedium;
  return head;
}

// The fake's character set is Latin-1: every byte is the character of its value.
std::u16string FakeSystem::Decode(std::string_view bytes) { return Latin1ToUtf16(bytes); }

std::optional<SystemError> FakeSystem::Start(const Launch& launch) {
  if (startFails) return SystemError{*startFails, u"scripted failure"};
  started.push_back(launch);
  pumpsBeforeStart.push_back(pumps);
  return std::nullopt;
}

std::optional<std::u16string> FakeSystem::Open(const Launch& launch) {
  if (noApplication) return noApplication;
  opened.push_back(launch.program);
  return std::nullopt;
}


}  // namespace kivora::testing
