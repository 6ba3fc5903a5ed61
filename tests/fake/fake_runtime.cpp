#include "tests/fake/fake_runtime.h"

#include <cstring>

#include "platform/common/text.h"

namespace kivora::testing {

namespace {

class MemorySource : public ByteSource {
 public:
  explicit MemorySource(std::string bytes) : bytes_(std::move(bytes)) {}
  size_t Read(char* buffer, size_t size) override {
    size_t n = std::min(size, bytes_.size() - pos_);
    std::memcpy(buffer, bytes_.data() + pos_, n);
    pos_ += n;
    return n;
  }

 private:
  std::string bytes_;
  size_t pos_ = 0;
};

std::string Name(ControlId id) {
  static const char* const names[] = {"Label1", "Option1", "Option2", "Command1",
                                      "Picture1", "Picture2", "Picture3", "Option3"};
  return names[static_cast<int>(id)];
}

}  // namespace

float FakeRuntime::FormWidth() { calls.push_back("FormWidth"); return formWidth; }
float FakeRuntime::FormHeight() { calls.push_back("FormHeight"); return formHeight; }
void FakeRuntime::SetFormTop(float twips) { calls.push_back("SetFormTop"); top = twips; }
void FakeRuntime::SetFormLeft(float twips) { calls.push_back("SetFormLeft"); left = twips; }
float FakeRuntime::ScreenWidth() { calls.push_back("ScreenWidth"); return screenWidth; }
float FakeRuntime::ScreenHeight() { calls.push_back("ScreenHeight"); return screenHeight; }

void FakeRuntime::SetCaption(ControlId control, const std::u16string& caption) {
  calls.push_back("SetCaption " + Name(control));
  captions[control] = caption;
}

int16_t FakeRuntime::OptionValue(ControlId option) {
  calls.push_back("OptionValue " + Name(option));
  auto it = optionValues.find(option);
  return it == optionValues.end() ? kFalse : it->second;
}

ImageId FakeRuntime::Picture(ControlId pictureBox) { return pictures[pictureBox]; }
void FakeRuntime::SetPicture(ControlId pictureBox, ImageId image) {
  calls.push_back("SetPicture " + Name(pictureBox));
  pictures[pictureBox] = image;
}

std::u16string FakeRuntime::AppPath() { calls.push_back("AppPath"); return appPath; }

std::u16string FakeRuntime::Dir(const std::u16string& path, int attributes) {
  calls.push_back("Dir " + Utf16ToUtf8(path) + " " + std::to_string(attributes));
  if (!files.count(path)) return u"";
  return path.substr(path.rfind(u'\\') + 1);
}

void FakeRuntime::MsgBox(const std::u16string& prompt) {
  calls.push_back("MsgBox");
  messages.push_back(prompt);
}

void FakeRuntime::FileOpenInput(const std::u16string& path, int fileNumber) {
  calls.push_back("FileOpen " + Utf16ToUtf8(path) + " #" + std::to_string(fileNumber));
  auto it = files.find(path);
  if (it == files.end()) throw RuntimeError(kErrFileNotFound, path);
  files_.Open(fileNumber, std::make_unique<MemorySource>(it->second), path, LineEnds::kCrOrCrLf, Latin1ToUtf16);
}

std::u16string FakeRuntime::LineInput(int fileNumber) {
  calls.push_back("LineInput");
  return files_.LineInput(fileNumber);
}

void FakeRuntime::FileClose(int fileNumber) {
  calls.push_back("FileClose");
  files_.Close(fileNumber);
}

double FakeRuntime::Shell(const std::u16string& commandLine, int windowStyle) {
  calls.push_back("Shell " + Utf16ToUtf8(commandLine) + " " + std::to_string(windowStyle));
  if (shellFails || commandLine.empty() || commandLine.back() == u'\\')
    throw RuntimeError(kErrFileNotFound, commandLine);
  launched.push_back(commandLine);
  return double(launched.size());
}

void FakeRuntime::DoEvents() {
  calls.push_back("DoEvents");
  if (auto act = std::move(onDoEvents)) act();
}

void FakeRuntime::ReportError(const RuntimeError& error) {
  calls.push_back("ReportError " + std::to_string(error.number()));
  messages.push_back(error.Report());
}

void FakeRuntime::End(ExitStatus status) {
  calls.push_back("End " + std::to_string(status));
  throw FakeEnd{status};
}

void FakeRuntime::Select(ControlId option) {
  for (ControlId id : {ControlId::Option1, ControlId::Option2, ControlId::Option3})
    optionValues[id] = id == option ? kTrue : kFalse;
}

}  // namespace kivora::testing
