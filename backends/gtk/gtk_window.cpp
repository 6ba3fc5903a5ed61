#include "backends/gtk/gtk_window.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/bitmap.h"
#include "core/text.h"

// The close picture's looks and the built-in theme, compiled in by
// glib-compile-resources.
extern "C" void kivora_register_resource(void);
extern "C" void kivora_theme_register_resource(void);

namespace kivora {

namespace {

const std::string kTitle = Utf16ToUtf8(kAppTitle);

bool IsWayland() {
  return g_strcmp0(G_OBJECT_TYPE_NAME(gdk_display_get_default()), "GdkWaylandDisplay") == 0;
}

GObjectPtr<GdkPixbuf> LoadLook(const char* resource) {
  GBytes* bytes = g_resources_lookup_data(resource, G_RESOURCE_LOOKUP_FLAGS_NONE, nullptr);
  if (!bytes) return nullptr;
  gsize size = 0;
  const void* data = g_bytes_get_data(bytes, &size);
  Bitmap bitmap;
  GdkPixbuf* pixbuf = nullptr;
  if (DecodeBmp24(static_cast<const uint8_t*>(data), size, bitmap)) {
    GBytes* rgb = g_bytes_new(bitmap.rgb.data(), bitmap.rgb.size());
    pixbuf = gdk_pixbuf_new_from_bytes(rgb, GDK_COLORSPACE_RGB, FALSE, 8, bitmap.width, bitmap.height,
                                       bitmap.width * 3);
    g_bytes_unref(rgb);
  }
  g_bytes_unref(bytes);
  return GObjectPtr<GdkPixbuf>(pixbuf);
}

// The control's font, for it and the label inside it.
GObjectPtr<GtkCssProvider> FontProvider(int pixels) {
  std::string css = "* { font-family: \"" + Utf16ToUtf8(kFontFace) + "\"; font-size: " + std::to_string(pixels) +
                    "px; font-weight: 400; }";
  GtkCssProvider* provider = gtk_css_provider_new();
  gtk_css_provider_load_from_data(provider, css.c_str(), -1, nullptr);
  return GObjectPtr<GtkCssProvider>(provider);
}

// Measured in the font of the table itself: the widget's own font takes its
// CSS only when the window is first drawn.
int TextWidth(GtkWidget* label, int fontPixels, std::u16string_view text) {
  PangoLayout* layout = gtk_widget_create_pango_layout(label, Utf16ToUtf8(text).c_str());
  PangoFontDescription* font = pango_font_description_new();
  pango_font_description_set_family(font, Utf16ToUtf8(kFontFace).c_str());
  pango_font_description_set_weight(font, PANGO_WEIGHT_NORMAL);
  pango_font_description_set_absolute_size(font, fontPixels * PANGO_SCALE);
  pango_layout_set_font_description(layout, font);
  pango_font_description_free(font);
  int width = 0;
  pango_layout_get_pixel_size(layout, &width, nullptr);
  g_object_unref(layout);
  return width;
}

int NaturalWidth(GtkWidget* widget) {
  int natural = 0;
  gtk_widget_get_preferred_width(widget, nullptr, &natural);
  return natural;
}

}  // namespace

// GTK probes OpenGL for its visuals when it opens an X display that no GTK
// program has opened yet, which loads Mesa: some 40 ms and 50 MiB. The window
// draws nothing with OpenGL, so GDK_GL=disable turns the probe off, unless
// the user set GDK_GL. GTK reads it only while it starts; it is taken out
// again, so that the programs the launcher starts get the user's environment.
//
// GTK loads the theme "Adwaita" without a variant from its own resource
// /org/gtk/libgtk/theme/Adwaita/gtk.css; the one registered last is the one
// found, so ours stands in for it: the same rules for the widgets we make,
// without the other five sixths that GTK would parse at the first window,
// and the radio button's bullet as PNG images, without the SVG loader
// (tools/make_theme.py makes both from the installed GTK at build time). A
// theme asked for with GTK_THEME, another theme or a variant (dark) is
// GTK's own.
bool StartGtk() {
  // Kivora's name and class wherever it was started from: through the
  // dynamic loader, GLib would take the loader's.
  g_set_prgname("kivora");
  gdk_set_program_class("Kivora");
  bool glOurs = !g_getenv("GDK_GL");
  if (glOurs) g_setenv("GDK_GL", "disable", TRUE);
  if (!g_getenv("GTK_THEME")) kivora_theme_register_resource();
  bool started = gtk_init_check(nullptr, nullptr);
  if (glOurs) g_unsetenv("GDK_GL");
  return started;
}

GtkDisplay::GtkDisplay() {
  kivora_register_resource();
  normalLook_ = LoadLook("/kivora/close-normal.bmp");
  pressedLook_ = LoadLook("/kivora/close-pressed.bmp");
}

int GtkDisplay::Dpi() {
  double dpi = gdk_screen_get_resolution(gdk_screen_get_default());
  return dpi > 0 ? int(std::lround(dpi)) : kDefaultDpi;
}

GtkWidget* GtkDisplay::TextLabel(Control control) const {
  GtkWidget* w = widget(control);
  return GTK_IS_BIN(w) ? gtk_bin_get_child(GTK_BIN(w)) : w;
}

GtkWidget* GtkDisplay::CreateControl(const PlacedControl& c) {
  std::string caption = Utf16ToUtf8(c.caption);
  switch (c.kind) {
    case ControlKind::kLabel: {
      GtkWidget* label = gtk_label_new(caption.c_str());
      gtk_label_set_xalign(GTK_LABEL(label), 0);
      gtk_label_set_yalign(GTK_LABEL(label), 0);
      return label;
    }
    case ControlKind::kChoice:
      return gtk_radio_button_new_with_label(nullptr, caption.c_str());
    case ControlKind::kButton: {
      GtkWidget* button = gtk_button_new_with_label(caption.c_str());
      gtk_widget_set_can_default(button, TRUE);
      return button;
    }
    case ControlKind::kPicture: {
      GtkWidget* box = gtk_event_box_new();
      closeImage_ = gtk_image_new_from_pixbuf(normalLook_.get());
      gtk_widget_set_halign(closeImage_, GTK_ALIGN_START);
      gtk_widget_set_valign(closeImage_, GTK_ALIGN_START);
      gtk_container_add(GTK_CONTAINER(box), closeImage_);
      gtk_widget_add_events(box, GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK);
      return box;
    }
  }
  return nullptr;
}

void GtkDisplay::Build(const Layout& layout, LauncherWindow& window) {
  window_ = &window;
  toplevel_ = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_set_title(GTK_WINDOW(toplevel_), kTitle.c_str());
  gtk_window_set_decorated(GTK_WINDOW(toplevel_), FALSE);
  gtk_window_set_resizable(GTK_WINDOW(toplevel_), FALSE);
  fixed_ = gtk_fixed_new();
  gtk_container_add(GTK_CONTAINER(toplevel_), fixed_);

  // The controls go into the window in the order they are seen, which is
  // the order a screen reader reads them in; Tab follows the table's tab
  // order, in which the third choice comes last.
  GtkRadioButton* group = nullptr;
  for (int i = 0; i < kControlCount; ++i) {
    const PlacedControl& c = layout[Control(i)];
    GtkWidget* w = CreateControl(c);
    widgets_[i] = w;
    gtk_widget_show_all(w);  // a hidden widget measures 0 wide
    gtk_fixed_put(GTK_FIXED(fixed_), w, c.bounds.left, c.bounds.top);
    if (c.kind == ControlKind::kChoice) {
      gtk_radio_button_join_group(GTK_RADIO_BUTTON(w), group);
      group = GTK_RADIO_BUTTON(w);
    }
  }
  GList* focusChain = nullptr;
  for (const PlacedControl& c : layout.controls) {
    if (c.kind == ControlKind::kChoice) gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(widget(c.control)), c.selected);
    if (c.kind != ControlKind::kLabel) focusChain = g_list_append(focusChain, widget(c.control));
  }
  G_GNUC_BEGIN_IGNORE_DEPRECATIONS
  gtk_container_set_focus_chain(GTK_CONTAINER(fixed_), focusChain);
  G_GNUC_END_IGNORE_DEPRECATIONS
  g_list_free(focusChain);
  gtk_window_set_default(GTK_WINDOW(toplevel_), widget(Control::kNext));
  // The prompt's access key moves to the first choice, as a label's does on
  // Windows, without choosing it (a radio button's own mnemonic activation
  // would); a choice's chooses it.
  gtk_label_set_mnemonic_widget(GTK_LABEL(widget(Control::kPrompt)), widget(Control::kChoice1));
  g_signal_connect(widget(Control::kPrompt), "mnemonic-activate", G_CALLBACK(OnPromptKey), this);
  for (Control choice : {Control::kChoice1, Control::kChoice2, Control::kChoice3})
    gtk_label_set_mnemonic_widget(GTK_LABEL(TextLabel(choice)), widget(choice));
  ApplyLayout(layout);

  GtkWidget* close = widget(Control::kClose);
  g_signal_connect(close, "button-press-event", G_CALLBACK(OnCloseButton), this);
  g_signal_connect(close, "button-release-event", G_CALLBACK(OnCloseButton), this);
  g_signal_connect(close, "grab-broken-event", G_CALLBACK(OnCloseGrabBroken), this);
  g_signal_connect(widget(Control::kNext), "clicked", G_CALLBACK(OnNextClicked), this);
  g_signal_connect(toplevel_, "key-press-event", G_CALLBACK(OnKeyPress), this);
  g_signal_connect(toplevel_, "key-release-event", G_CALLBACK(OnKeyRelease), this);
  g_signal_connect(toplevel_, "focus-out-event", G_CALLBACK(OnFocusOut), this);
  g_signal_connect(toplevel_, "delete-event", G_CALLBACK(OnDelete), this);

  // A screen reader announces the close picture as a button, by its name.
  AtkObject* accessible = gtk_widget_get_accessible(close);
  atk_object_set_name(accessible, Utf16ToUtf8(layout[Control::kClose].caption).c_str());
  atk_object_set_role(accessible, ATK_ROLE_PUSH_BUTTON);
}

void GtkDisplay::ApplyLayout(const Layout& layout) {
  gtk_widget_set_size_request(fixed_, layout.client.width, layout.client.height);
  for (const PlacedControl& c : layout.controls) {
    GtkWidget* w = widget(c.control);
    gtk_fixed_move(GTK_FIXED(fixed_), w, c.bounds.left, c.bounds.top);
    gtk_widget_set_size_request(w, c.bounds.width, c.bounds.height);
    if (c.fontPixels == 0) continue;
    fontPixels_[int(c.control)] = c.fontPixels;
    GObjectPtr<GtkCssProvider>& font = fonts_[int(c.control)];
    for (GtkWidget* target : {w, TextLabel(c.control)}) {
      GtkStyleContext* style = gtk_widget_get_style_context(target);
      if (font) gtk_style_context_remove_provider(style, GTK_STYLE_PROVIDER(font.get()));
    }
    font = FontProvider(c.fontPixels);
    for (GtkWidget* target : {w, TextLabel(c.control)})
      gtk_style_context_add_provider(gtk_widget_get_style_context(target), GTK_STYLE_PROVIDER(font.get()),
                                     GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
  }
}

Rect GtkDisplay::PrimaryMonitor() {
  GdkDisplay* display = gdk_display_get_default();
  GdkMonitor* monitor = gdk_display_get_primary_monitor(display);
  if (!monitor) monitor = gdk_display_get_monitor(display, 0);
  GdkRectangle area{0, 0, 0, 0};
  if (monitor) gdk_monitor_get_geometry(monitor, &area);
  return {area.x, area.y, area.width, area.height};
}

void GtkDisplay::PlaceWindow(Point topLeft) { topLeft_ = topLeft; }

// The text's own width, and for a choice or a button what the control draws
// around the text: the indicator, the label's and its own padding, the frame.
int GtkDisplay::NeededWidth(Control control, std::u16string_view text) {
  GtkWidget* label = TextLabel(control);
  int around = 0;
  if (label != widget(control)) {
    // The size request would hide the control's own width; ask without it.
    int width = 0, height = 0;
    gtk_widget_get_size_request(widget(control), &width, &height);
    gtk_widget_set_size_request(widget(control), -1, -1);
    around = NaturalWidth(widget(control)) -
             TextWidth(label, fontPixels_[int(control)], Utf8ToUtf16(gtk_label_get_text(GTK_LABEL(label))));
    gtk_widget_set_size_request(widget(control), width, height);
  }
  return around + TextWidth(label, fontPixels_[int(control)], text);
}

void GtkDisplay::ShowText(Control control, const Caption& caption, Rect bounds) {
  gtk_label_set_text_with_mnemonic(GTK_LABEL(TextLabel(control)), Utf16ToUtf8(Marked(caption, u'_')).c_str());
  gtk_fixed_move(GTK_FIXED(fixed_), widget(control), bounds.left, bounds.top);
  gtk_widget_set_size_request(widget(control), bounds.width, bounds.height);
}

bool GtkDisplay::IsChosen(Control choice) {
  return gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(widget(choice)));
}

void GtkDisplay::ShowCloseLook(CloseLook look) {
  gtk_image_set_from_pixbuf(GTK_IMAGE(closeImage_), (look == CloseLook::kPressed ? pressedLook_ : normalLook_).get());
}

void GtkDisplay::Show(Control focus) {
  if (IsWayland()) {
    gtk_window_set_position(GTK_WINDOW(toplevel_), GTK_WIN_POS_CENTER);
  } else {
    gtk_window_move(GTK_WINDOW(toplevel_), topLeft_.x, topLeft_.y);
  }
  gtk_widget_show_all(toplevel_);
  gtk_widget_grab_focus(widget(focus));
}

int GtkDisplay::RunEventLoop() {
  gtk_main();
  return kExitClosed;
}

void GtkDisplay::PumpEvents() {
  while (gtk_events_pending()) gtk_main_iteration_do(FALSE);
}

int GtkDisplay::DoubleClickTime() {
  int milliseconds = 400;
  g_object_get(gtk_settings_get_default(), "gtk-double-click-time", &milliseconds, nullptr);
  return milliseconds;
}

// The picture reports its presses and releases, and the end of a press's
// grab; the window decides what they mean.
gboolean GtkDisplay::OnCloseButton(GtkWidget*, GdkEventButton* event, gpointer data) {
  auto* self = static_cast<GtkDisplay*>(data);
  LauncherWindow& window = *self->window_;
  if (event->type == GDK_BUTTON_PRESS) Dispatch(*self, [&] { window.OnClosePress(); });
  if (event->type == GDK_BUTTON_RELEASE) Dispatch(*self, [&] { window.OnCloseRelease(); });
  return TRUE;
}

// Another grab took the pointer while a button was down on the picture.
gboolean GtkDisplay::OnCloseGrabBroken(GtkWidget*, GdkEvent*, gpointer data) {
  auto* self = static_cast<GtkDisplay*>(data);
  Dispatch(*self, [self] { self->window_->OnClosePressLost(); });
  return FALSE;
}

gboolean GtkDisplay::OnPromptKey(GtkWidget*, gboolean, gpointer data) {
  gtk_widget_grab_focus(static_cast<GtkDisplay*>(data)->widget(Control::kChoice1));
  return TRUE;
}

void GtkDisplay::OnNextClicked(GtkButton*, gpointer data) {
  auto* self = static_cast<GtkDisplay*>(data);
  Dispatch(*self, [self] { self->window_->OnNext(); });
}

// Escape asks to close; Enter presses "Next", the default button and the
// only push button, wherever the focus is: at once, as the key goes down (a
// focused GTK button would wait for the key's release or a timeout, and
// click without the time of the press). A key held down repeats its press
// without a release between (GDK asks X for that): such a repeat of Enter
// goes to "Next" as one.
gboolean GtkDisplay::OnKeyPress(GtkWidget*, GdkEventKey* event, gpointer data) {
  auto* self = static_cast<GtkDisplay*>(data);
  const bool repeated = !self->keysDown_.insert(event->hardware_keycode).second;
  if (event->keyval == GDK_KEY_Escape) Dispatch(*self, [self] { self->window_->OnCloseRequest(); });
  if (event->keyval != GDK_KEY_Return && event->keyval != GDK_KEY_KP_Enter) return FALSE;
  Dispatch(*self, [self, repeated] { self->window_->OnNext(repeated); });
  return TRUE;
}

gboolean GtkDisplay::OnKeyRelease(GtkWidget*, GdkEventKey* event, gpointer data) {
  static_cast<GtkDisplay*>(data)->keysDown_.erase(event->hardware_keycode);
  return FALSE;
}

// A key released while another window had the keyboard sends no release here.
gboolean GtkDisplay::OnFocusOut(GtkWidget*, GdkEventFocus*, gpointer data) {
  static_cast<GtkDisplay*>(data)->keysDown_.clear();
  return FALSE;
}

gboolean GtkDisplay::OnDelete(GtkWidget*, GdkEvent*, gpointer data) {
  auto* self = static_cast<GtkDisplay*>(data);
  Dispatch(*self, [self] { self->window_->OnCloseRequest(); });
  return TRUE;
}

void GtkDisplay::ShowMessage(const std::u16string& text) {
  GtkWidget* box =
      gtk_message_dialog_new(toplevel_ && gtk_widget_get_visible(toplevel_) ? GTK_WINDOW(toplevel_) : nullptr,
                             GTK_DIALOG_MODAL, GTK_MESSAGE_OTHER, GTK_BUTTONS_OK, "%s", Utf16ToUtf8(text).c_str());
  gtk_window_set_title(GTK_WINDOW(box), kTitle.c_str());
  gtk_window_set_position(GTK_WINDOW(box), GTK_WIN_POS_CENTER);
  gtk_dialog_run(GTK_DIALOG(box));
  gtk_widget_destroy(box);
}

void GtkDisplay::WriteError(const std::u16string& line) { std::fprintf(stderr, "%s\n", Utf16ToUtf8(line).c_str()); }

void GtkDisplay::End(ExitStatus status) {
  if (toplevel_) gtk_widget_destroy(toplevel_);
  gdk_display_flush(gdk_display_get_default());
  std::fflush(nullptr);
  std::_Exit(status);
}


}  // namespace kivora
