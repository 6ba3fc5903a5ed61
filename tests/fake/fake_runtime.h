// A back end for unit tests: records what the program asks of the run time,
// in order, and answers from a scripted world (folder, screen, files).
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/common/line_input.h"
#include "platform/runtime.h"

namespace kivora::testing {

// End() in the fake throws this, so that a test sees where the program ended.
struct FakeEnd {
  ExitStatus status;
};

class FakeRuntime : public Runtime {
 public:
  // The scripted world.
  std::u16string appPath = u"D:\\menu";
  float screenWidth = 15360, screenHeight = 11520;  // 1024 x 768 at 96 DPI
  float formWidth = 6315, formHeight = 3705;
  std::map<std::u16string, std::string> files;  // normal files by path
  std::map<ControlId, int16_t> optionValues{{ControlId::Option1, kTrue}};
  bool shellFails = false;
  std::function<void()> onDoEvents;  // a user acting while events are pumped

  // What the program did.
  std::vector<std::string> calls;
  std::map<ControlId, std::u16string> captions;
  std::map<ControlId, ImageId> pictures{{ControlId::Picture1, ImageId::CloseNormal},
                                        {ControlId::Picture2, ImageId::CloseNormal},
                                        {ControlId::Picture3, ImageId::ClosePressed}};
  std::vector<std::u16string> launched;
  std::vector<std::u16string> messages;
  float top = -1, left = -1;

  float FormWidth() override;
  float FormHeight() override;
  void SetFormTop(float twips) override;
  void SetFormLeft(float twips) override;
  float ScreenWidth() override;
  float ScreenHeight() override;
  void SetCaption(ControlId control, const std::u16string& caption) override;
  int16_t OptionValue(ControlId option) override;
  ImageId Picture(ControlId pictureBox) override;
  void SetPicture(ControlId pictureBox, ImageId image) override;
  std::u16string AppPath() override;
  std::u16string Dir(const std::u16string& path, int attributes) override;
  void MsgBox(const std::u16string& prompt) override;
  void FileOpenInput(const std::u16string& path, int fileNumber) override;
  std::u16string LineInput(int fileNumber) override;
  void FileClose(int fileNumber) override;
  double Shell(const std::u16string& commandLine, int windowStyle) override;
  void DoEvents() override;
  void ReportError(const RuntimeError& error) override;
  [[noreturn]] void End(ExitStatus status) override;

  // Selects one option as a click would: the group clears the others.
  void Select(ControlId option);

 private:
  FileTable files_;
};

}  // namespace kivora::testing
