#include "platform/gtk/gtk_runtime.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/common/bitmap.h"
#include "platform/common/dispatch.h"
#include "platform/common/text.h"
#include "platform/posix/posix_files.h"
#include "platform/posix/posix_process.h"
#include "ui/frm_main.h"

// The close images, compiled in by glib-compile-resources.
extern "C" void kivora_register_resource(void);

namespace kivora {

namespace {

constexpr const char* kAppTitle = "Kivora";

bool IsWayland() {
  return g_strcmp0(G_OBJECT_TYPE_NAME(gdk_display_get_default()), "GdkWaylandDisplay") == 0;
}

// One CSS rule a control, named after it, with the font of the table.
void ApplyFonts(const FormDef& def) {
  std::string css;
  auto rule = [&css](const std::string& selector, const FontDef& font) {
    if (!font.face) return;
    char size[32];
    g_ascii_formatd(size, sizeof size, "%g", font.points);
    css += selector + " { font-family: \"" + font.face + "\"; font-size: " + size +
           "pt; font-weight: " + std::to_string(font.weight) + "; }\n";
  };
  rule(std::string("#") + def.name, def.font);
  for (int i = 0; i < def.controlCount; ++i) {
    rule(std::string("#") + def.controls[i].name, def.controls[i].font);
    rule(std::string("#") + def.controls[i].name + " label", def.controls[i].font);
  }
  GtkCssProvider* provider = gtk_css_provider_new();
  gtk_css_provider_load_from_data(provider, css.c_str(), -1, nullptr);
  gtk_style_context_add_provider_for_screen(gdk_screen_get_default(), GTK_STYLE_PROVIDER(provider),
                                            GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
  g_object_unref(provider);
}

const char* ResourcePath(ImageId image) {
  switch (image) {
    case ImageId::CloseNormal: return "/kivora/close-normal.bmp";
    case ImageId::ClosePressed: return "/kivora/close-pressed.bmp";
    case ImageId::None: break;
  }
  return nullptr;
}

// The classic button codes: 1 left, 2 right, 4 middle; shift 1, ctrl 2, alt 4.
int16_t ButtonCode(guint button) { return button == 1 ? 1 : button == 3 ? 2 : button == 2 ? 4 : 0; }
int16_t ShiftCode(guint state) {
  return int16_t((state & GDK_SHIFT_MASK ? 1 : 0) | (state & GDK_CONTROL_MASK ? 2 : 0) |
                 (state & GDK_MOD1_MASK ? 4 : 0));
}

}  // namespace

GtkRuntime::GtkRuntime(const FormDef& definition) : def_(definition) {
  kivora_register_resource();
  double dpi = gdk_screen_get_resolution(gdk_screen_get_default());
  twipsPerPixel_ = 1440.0f / float(dpi > 0 ? dpi : 96.0);

  window_ = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_widget_set_name(window_, def_.name);
  gtk_window_set_title(GTK_WINDOW(window_), kAppTitle);
  gtk_window_set_decorated(GTK_WINDOW(window_), FALSE);
  gtk_window_set_resizable(GTK_WINDOW(window_), FALSE);
  ApplyFonts(def_);

  GtkWidget* fixed = gtk_fixed_new();
  gtk_widget_set_size_request(fixed, Pixels(def_.clientWidth), Pixels(def_.clientHeight));
  gtk_container_add(GTK_CONTAINER(window_), fixed);

  GSList* group = nullptr;
  GList* focusChain = nullptr;
  for (int i = 0; i < def_.controlCount; ++i) {
    const ControlDef& c = def_.controls[i];
    GtkWidget* widget = CreateControl(c);
    if (c.kind == ControlKind::OptionButton) {
      gtk_radio_button_join_group(GTK_RADIO_BUTTON(widget), group ? GTK_RADIO_BUTTON(group->data) : nullptr);
      group = g_slist_prepend(group, widget);
    }
    gtk_widget_set_name(widget, c.name);
    gtk_widget_set_size_request(widget, Pixels(c.width), Pixels(c.height));
    gtk_fixed_put(GTK_FIXED(fixed), widget, Pixels(c.left), Pixels(c.top));
    widgets_[c.id] = widget;
    // Picture boxes outside the client area only store images: never shown.
    bool stored = c.left >= def_.clientWidth || c.top >= def_.clientHeight;
    if (stored) gtk_widget_set_no_show_all(widget, TRUE);
    if (c.kind != ControlKind::Label && !stored) focusChain = g_list_append(focusChain, widget);
  }
  for (int i = 0; i < def_.controlCount; ++i) {
    const ControlDef& c = def_.controls[i];
    if (c.kind == ControlKind::OptionButton)
      gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(widgets_[c.id]), c.value);
  }
  g_slist_free(group);
  G_GNUC_BEGIN_IGNORE_DEPRECATIONS
  gtk_container_set_focus_chain(GTK_CONTAINER(fixed), focusChain);  // the table's tab order
  G_GNUC_END_IGNORE_DEPRECATIONS
  g_list_free(focusChain);
}

GtkWidget* GtkRuntime::CreateControl(const ControlDef& c) {
  std::string caption = Utf16ToUtf8(c.caption);
  switch (c.kind) {
    case ControlKind::Label: {
      GtkWidget* label = gtk_label_new(caption.c_str());
      gtk_label_set_xalign(GTK_LABEL(label), 0);
      gtk_label_set_yalign(GTK_LABEL(label), 0);
      gtk_label_set_ellipsize(GTK_LABEL(label), PANGO_ELLIPSIZE_END);
      return label;
    }
    case ControlKind::OptionButton: {
      GtkWidget* option = gtk_radio_button_new_with_label(nullptr, caption.c_str());
      gtk_label_set_ellipsize(GTK_LABEL(gtk_bin_get_child(GTK_BIN(option))), PANGO_ELLIPSIZE_END);
      return option;
    }
    case ControlKind::CommandButton: {
      GtkWidget* button = gtk_button_new_with_label(caption.c_str());
      gtk_widget_set_can_default(button, TRUE);
      gtk_window_set_default(GTK_WINDOW(window_), button);
      gtk_label_set_ellipsize(GTK_LABEL(gtk_bin_get_child(GTK_BIN(button))), PANGO_ELLIPSIZE_END);
      return button;
    }
    case ControlKind::PictureBox: {
      GtkWidget* box = gtk_event_box_new();
      GtkWidget* image = gtk_image_new_from_pixbuf(Image(c.image));
      gtk_widget_set_halign(image, GTK_ALIGN_START);
      gtk_widget_set_valign(image, GTK_ALIGN_START);
      gtk_container_add(GTK_CONTAINER(box), image);
      gtk_widget_add_events(box, GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK);
      images_[c.id] = image;
      pictures_[c.id] = c.image;
      return box;
    }
  }
  return nullptr;
}

GdkPixbuf* GtkRuntime::Image(ImageId image) {
  auto it = pixbufs_.find(image);
  if (it != pixbufs_.end()) return it->second;
  GdkPixbuf* pixbuf = nullptr;
  Bitmap bitmap;
  GBytes* bytes = ResourcePath(image) ? g_resources_lookup_data(ResourcePath(image), G_RESOURCE_LOOKUP_FLAGS_NONE, nullptr)
                                      : nullptr;
  gsize size = 0;
  const void* data = bytes ? g_bytes_get_data(bytes, &size) : nullptr;
  if (data && DecodeBmp24(static_cast<const uint8_t*>(data), size, bitmap)) {
    GBytes* rgb = g_bytes_new(bitmap.rgb.data(), bitmap.rgb.size());
    pixbuf = gdk_pixbuf_new_from_bytes(rgb, GDK_COLORSPACE_RGB, FALSE, 8, bitmap.width, bitmap.height,
                                       bitmap.width * 3);
    g_bytes_unref(rgb);
  }
  if (bytes) g_bytes_unref(bytes);
  pixbufs_[image] = pixbuf;
  return pixbuf;
}

void GtkRuntime::Bind(FrmMain& form) {
  form_ = &form;
  GtkWidget* picture = widgets_[ControlId::Picture1];
  g_signal_connect(picture, "button-press-event", G_CALLBACK(OnPictureButton), this);
  g_signal_connect(picture, "button-release-event", G_CALLBACK(OnPictureButton), this);
  g_signal_connect(widgets_[ControlId::Command1], "clicked", G_CALLBACK(OnCommandClicked), this);
  g_signal_connect(window_, "key-press-event", G_CALLBACK(OnKeyPress), this);
  g_signal_connect(window_, "delete-event", G_CALLBACK(OnDelete), this);

  // A screen reader announces the close picture as a button named "Close".
  AtkObject* accessible = gtk_widget_get_accessible(picture);
  atk_object_set_name(accessible, "Close");
  atk_object_set_role(accessible, ATK_ROLE_PUSH_BUTTON);
}

void GtkRuntime::Show() {
  if (IsWayland()) {
    gtk_window_set_position(GTK_WINDOW(window_), GTK_WIN_POS_CENTER);
  } else {
    gtk_window_move(GTK_WINDOW(window_), left_, top_);
  }
  gtk_widget_show_all(window_);
  gtk_widget_grab_focus(widgets_[ControlId::Option1]);
}

gboolean GtkRuntime::OnPictureButton(GtkWidget*, GdkEventButton* event, gpointer data) {
  auto* self = static_cast<GtkRuntime*>(data);
  if (event->type != GDK_BUTTON_PRESS && event->type != GDK_BUTTON_RELEASE) return TRUE;
  int16_t button = ButtonCode(event->button);
  int16_t shift = ShiftCode(event->state);
  float x = float(event->x) * self->twipsPerPixel_;
  float y = float(event->y) * self->twipsPerPixel_;
  FrmMain& form = *self->form_;
  if (event->type == GDK_BUTTON_PRESS) {
    Dispatch(*self, [&] { form.Picture1_MouseDown(button, shift, x, y); });
  } else {
    Dispatch(*self, [&] { form.Picture1_MouseUp(button, shift, x, y); });
  }
  return TRUE;
}

void GtkRuntime::OnCommandClicked(GtkButton*, gpointer data) {
  auto* self = static_cast<GtkRuntime*>(data);
  Dispatch(*self, [self] { self->form_->Command1_Click(); });
}

// Escape ends the launcher as the close picture does; Enter anywhere but on a
// push button presses "Next", the default button.
gboolean GtkRuntime::OnKeyPress(GtkWidget*, GdkEventKey* event, gpointer data) {
  auto* self = static_cast<GtkRuntime*>(data);
  if (event->keyval == GDK_KEY_Escape) self->End(kExitClosed);
  if (event->keyval == GDK_KEY_Return || event->keyval == GDK_KEY_KP_Enter) {
    GtkWidget* focus = gtk_window_get_focus(GTK_WINDOW(self->window_));
    bool pushButton = focus && GTK_IS_BUTTON(focus) && !GTK_IS_TOGGLE_BUTTON(focus);
    if (!pushButton) {
      gtk_button_clicked(GTK_BUTTON(self->widgets_[ControlId::Command1]));
      return TRUE;
    }
  }
  return FALSE;
}

gboolean GtkRuntime::OnDelete(GtkWidget*, GdkEvent*, gpointer data) {
  static_cast<GtkRuntime*>(data)->End(kExitClosed);
  return TRUE;
}

int GtkRuntime::Pixels(float twips) const { return int(std::lround(twips / twipsPerPixel_)); }

// The window has no frame, so its outer size is its client area.
float GtkRuntime::FormWidth() { return float(Pixels(def_.clientWidth)) * twipsPerPixel_; }
float GtkRuntime::FormHeight() { return float(Pixels(def_.clientHeight)) * twipsPerPixel_; }

void GtkRuntime::SetFormTop(float twips) { top_ = Pixels(twips); }
void GtkRuntime::SetFormLeft(float twips) { left_ = Pixels(twips); }

GdkRectangle GtkRuntime::MonitorGeometry() {
  GdkDisplay* display = gdk_display_get_default();
  GdkMonitor* monitor = gdk_display_get_primary_monitor(display);
  if (!monitor) monitor = gdk_display_get_monitor(display, 0);
  GdkRectangle area{0, 0, 0, 0};
  if (monitor) gdk_monitor_get_geometry(monitor, &area);
  return area;
}

float GtkRuntime::ScreenWidth() { return float(MonitorGeometry().width) * twipsPerPixel_; }
float GtkRuntime::ScreenHeight() { return float(MonitorGeometry().height) * twipsPerPixel_; }

void GtkRuntime::SetCaption(ControlId control, const std::u16string& caption) {
  std::string text = Utf16ToUtf8(caption);
  GtkWidget* widget = widgets_[control];
  if (GTK_IS_LABEL(widget)) {
    gtk_label_set_text(GTK_LABEL(widget), text.c_str());
    // The prompt widens to show itself whole, up to the window's width less
    // the margin it keeps on the left; past that it is cut with an ellipsis.
    const ControlDef& def = ControlDefinition(control);
    PangoLayout* layout = gtk_widget_create_pango_layout(widget, text.c_str());
    int natural = 0;
    pango_layout_get_pixel_size(layout, &natural, nullptr);
    g_object_unref(layout);
    int widest = Pixels(def_.clientWidth - 2 * def.left);
    int width = std::max(Pixels(def.width), std::min(natural + 1, widest));
    gtk_widget_set_size_request(widget, width, Pixels(def.height));
  } else if (GTK_IS_BUTTON(widget)) {
    gtk_button_set_label(GTK_BUTTON(widget), text.c_str());
    gtk_label_set_ellipsize(GTK_LABEL(gtk_bin_get_child(GTK_BIN(widget))), PANGO_ELLIPSIZE_END);
  }
}

int16_t GtkRuntime::OptionValue(ControlId option) {
  return gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(widgets_[option])) ? kTrue : kFalse;
}

ImageId GtkRuntime::Picture(ControlId pictureBox) { return pictures_[pictureBox]; }

void GtkRuntime::SetPicture(ControlId pictureBox, ImageId image) {
  pictures_[pictureBox] = image;
  gtk_image_set_from_pixbuf(GTK_IMAGE(images_[pictureBox]), Image(image));
}

std::u16string GtkRuntime::AppPath() { return posix::AppDirectory(); }

std::u16string GtkRuntime::Dir(const std::u16string& path, int) { return posix::DirNormalFile(path); }

void GtkRuntime::MsgBox(const std::u16string& prompt) {
  std::string text = Utf16ToUtf8(prompt);
  GtkWidget* box = gtk_message_dialog_new(gtk_widget_get_visible(window_) ? GTK_WINDOW(window_) : nullptr,
                                          GTK_DIALOG_MODAL, GTK_MESSAGE_OTHER, GTK_BUTTONS_OK, "%s", text.c_str());
  gtk_window_set_title(GTK_WINDOW(box), kAppTitle);
  gtk_window_set_position(GTK_WINDOW(box), GTK_WIN_POS_CENTER);
  gtk_dialog_run(GTK_DIALOG(box));
  gtk_widget_destroy(box);
}

void GtkRuntime::FileOpenInput(const std::u16string& path, int fileNumber) {
  files_.Open(fileNumber, posix::OpenInput(path), path, LineEnds::kCrCrLfOrLf, posix::DecodeLocaleText);
}

std::u16string GtkRuntime::LineInput(int fileNumber) { return files_.LineInput(fileNumber); }

void GtkRuntime::FileClose(int fileNumber) { files_.Close(fileNumber); }

double GtkRuntime::Shell(const std::u16string& commandLine, int) {
  return posix::StartProgram(commandLine, AppPath());
}

void GtkRuntime::DoEvents() {
  while (gtk_events_pending()) gtk_main_iteration_do(FALSE);
}

void GtkRuntime::ReportError(const RuntimeError& error) {
  std::string report = Utf16ToUtf8(error.Report());
  std::string oneLine = report;
  for (size_t at; (at = oneLine.find("\n\n")) != std::string::npos;) oneLine.replace(at, 2, " ");
  std::fprintf(stderr, "kivora: %s\n", oneLine.c_str());
  MsgBox(error.Report());
}

void GtkRuntime::End(ExitStatus status) {
  gtk_widget_destroy(window_);
  gdk_display_flush(gdk_display_get_default());
  std::fflush(nullptr);
  std::_Exit(status);
}

}  // namespace kivora
