// The Linux back end: FrmMain's window and controls as GTK 3 widgets, built
// from the form's stored definition, with files and program start from posix/.
// Implements:
//   - the window without title bar or border, placed by the program's centring
//     (X11) or centred by the compositor (Wayland), geometry from twips at the
//     display's resolution, fonts from the table through CSS;
//   - captions, option values and the close picture's images;
//   - the message box and the run-time error report (also written to stderr);
//   - the event loop, DoEvents and End;
//   - the keyboard: tab order, Enter for "Next", Escape and the window
//     manager's close for the end.
#pragma once

#include <gtk/gtk.h>

#include <map>

#include "platform/common/line_input.h"
#include "platform/runtime.h"
#include "ui/form_definition.h"

namespace kivora {

class FrmMain;

class GtkRuntime : public Runtime {
 public:
  explicit GtkRuntime(const FormDef& definition);

  // Connects the widgets' events to the form's handlers.
  void Bind(FrmMain& form);
  void Show();

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

 private:
  int Pixels(float twips) const;
  GtkWidget* CreateControl(const ControlDef& def);
  GdkPixbuf* Image(ImageId image);
  GdkRectangle MonitorGeometry();

  static gboolean OnPictureButton(GtkWidget*, GdkEventButton* event, gpointer self);
  static gboolean OnKeyPress(GtkWidget*, GdkEventKey* event, gpointer self);
  static gboolean OnDelete(GtkWidget*, GdkEvent*, gpointer self);
  static void OnCommandClicked(GtkButton*, gpointer self);

  const FormDef& def_;
  FrmMain* form_ = nullptr;
  float twipsPerPixel_;
  GtkWidget* window_;
  std::map<ControlId, GtkWidget*> widgets_;
  std::map<ControlId, GtkWidget*> images_;  // the GtkImage in each picture box
  std::map<ControlId, ImageId> pictures_;
  std::map<ImageId, GdkPixbuf*> pixbufs_;
  int top_ = 0, left_ = 0;
  FileTable files_;
};

}  // namespace kivora
