// The GTK back end on a virtual display: what a screen reader is told, that
// text is measured as the controls then show it, and that a started program
// gets the environment the launcher was given.
#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "backends/gtk/gtk_window.h"
#include "backends/posix/posix_files.h"
#include "backends/posix/posix_process.h"
#include "core/launcher_window.h"
#include "core/text.h"

namespace kivora {
namespace {

// Walks the accessible tree below root for an object named name.
AtkObject* FindByName(AtkObject* root, const char* name) {
  if (g_strcmp0(atk_object_get_name(root), name) == 0) return root;
  for (int i = 0; i < atk_object_get_n_accessible_children(root); ++i) {
    AtkObject* child = atk_object_ref_accessible_child(root, i);
    AtkObject* found = child ? FindByName(child, name) : nullptr;
    if (child) g_object_unref(child);
    if (found) return found;
  }
  return nullptr;
}

// The widget below root that shows text (a label, or a button around one).
GtkWidget* FindShowing(GtkWidget* root, const char* text) {
  if (GTK_IS_LABEL(root) && g_strcmp0(gtk_label_get_text(GTK_LABEL(root)), text) == 0) return root;
  if (!GTK_IS_CONTAINER(root)) return nullptr;
  GList* children = gtk_container_get_children(GTK_CONTAINER(root));
  GtkWidget* found = nullptr;
  for (GList* c = children; c && !found; c = c->next) {
    found = FindShowing(GTK_WIDGET(c->data), text);
    if (found && GTK_IS_LABEL(found) && GTK_IS_BUTTON(root)) found = root;
  }
  g_list_free(children);
  return found;
}

// The launcher's window, once it is shown.
GtkWidget* Toplevel() {
  GtkWidget* toplevel = nullptr;
  GList* toplevels = gtk_window_list_toplevels();
  for (GList* t = toplevels; t; t = t->next)
    if (gtk_widget_get_visible(GTK_WIDGET(t->data))) toplevel = GTK_WIDGET(t->data);
  g_list_free(toplevels);
  return toplevel;
}

void Settle() {
  for (int i = 0; i < 50; ++i) {
    while (gtk_events_pending()) gtk_main_iteration_do(FALSE);
    g_usleep(2000);
  }
}

// The environment as the program was given it, sorted: taken before main(),
// so before GTK is started.
std::vector<std::string> Sorted(char** variables) {
  std::vector<std::string> sorted;
  for (char** v = variables; *v; ++v) sorted.push_back(*v);
  std::sort(sorted.begin(), sorted.end());
  return sorted;
}
const std::vector<std::string> kGivenEnvironment = Sorted(environ);

// GTK is started once, as the launcher starts it, before the first window is
// made.
int DpiOfTheDisplay() {
  static bool started = StartGtk();
  return started ? gdk_screen_get_resolution(gdk_screen_get_default()) : 0;
}

class GtkWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_GT(DpiOfTheDisplay(), 0) << "needs a display";
    system_.Build(window_.layout(), window_);
    system_.Show(window_.layout().firstFocus());
    Settle();
  }
  int dpi_ = DpiOfTheDisplay();
  GtkDisplay system_;
  posix::PosixFiles files_;
  posix::PosixPrograms programs_;
  LauncherWindow window_{system_, files_, programs_};
};

// The window with the given captions in the prompt and the choices.
void ShowCaptions(GtkDisplay& system, const LauncherWindow& window) {
  const std::pair<Control, const char16_t*> captions[] = {
      {Control::kPrompt, u"Pick one"}, {Control::kChoice1, u"First"}, {Control::kChoice2, u"Second"},
      {Control::kChoice3, u"Third"}};
  for (const auto& [control, caption] : captions)
    system.ShowText(control, Caption{caption}, window.layout()[control].bounds);
}

// A screen reader reads the window's children in their accessible order,
// which is the order they are seen, whatever the table's tab order.
TEST_F(GtkWindowTest, AScreenReaderReadsTheControlsInTheOrderTheyAreSeen) {
  ShowCaptions(system_, window_);
  const struct {
    const char* name;
    AtkRole role;
    bool checked;
  } expected[] = {
      {"Pick one", ATK_ROLE_LABEL, false},       {"First", ATK_ROLE_RADIO_BUTTON, true},
      {"Second", ATK_ROLE_RADIO_BUTTON, false},  {"Third", ATK_ROLE_RADIO_BUTTON, false},
      {"Next", ATK_ROLE_PUSH_BUTTON, false},     {"Close", ATK_ROLE_PUSH_BUTTON, false},
  };
  GtkWidget* controls = gtk_bin_get_child(GTK_BIN(Toplevel()));
  AtkObject* parent = gtk_widget_get_accessible(controls);
  ASSERT_EQ(atk_object_get_n_accessible_children(parent), int(std::size(expected)));
  for (int i = 0; i < int(std::size(expected)); ++i) {
    AtkObject* child = atk_object_ref_accessible_child(parent, i);
    ASSERT_NE(child, nullptr);
    AtkStateSet* states = atk_object_ref_state_set(child);
    EXPECT_STREQ(atk_object_get_name(child), expected[i].name) << i;
    EXPECT_EQ(atk_object_get_role(child), expected[i].role) << expected[i].name;
    EXPECT_EQ(bool(atk_state_set_contains_state(states, ATK_STATE_CHECKED)), expected[i].checked) << expected[i].name;
    g_object_unref(states);
    g_object_unref(child);
  }
}

TEST_F(GtkWindowTest, NeededWidthIsWhatTheControlAsksForOnceItShowsTheText) {
  const std::u16string text = u"Choose what to start: \u8acb\u9078\u64c7\u5b89\u88dd\u985e\u578b";
  GtkWidget* toplevel = Toplevel();
  ASSERT_NE(toplevel, nullptr);
  for (Control control : {Control::kPrompt, Control::kChoice2, Control::kNext}) {
    Rect where = window_.layout()[control].bounds;
    where.width = 1;  // so that the size request hides nothing of the natural width
    system_.ShowText(control, Caption{text}, where);
    Settle();
    GtkWidget* shown = FindShowing(toplevel, Utf16ToUtf8(text).c_str());
    ASSERT_NE(shown, nullptr) << int(control);
    int natural = 0;
    gtk_widget_get_preferred_width(shown, nullptr, &natural);
    EXPECT_NEAR(system_.NeededWidth(control, text), natural, 1) << int(control);
    system_.ShowText(control, Caption{}, where);
  }
}

TEST_F(GtkWindowTest, AccessKeysAreMnemonicsAndUnderscoresStayUnderscores) {
  const struct {
    Control control;
    const char16_t* line;
    const char* shown;
    guint key;
  } cases[] = {
      {Control::kChoice1, u"R&D Tools", "RD Tools", GDK_KEY_d},
      {Control::kChoice2, u"Tom && Jerry", "Tom & Jerry", GDK_KEY_VoidSymbol},
      {Control::kChoice3, u"&Custom_setup", "Custom_setup", GDK_KEY_c},
      {Control::kPrompt, u"&Pick one", "Pick one", GDK_KEY_p},
  };
  for (const auto& c : cases) {
    system_.ShowText(c.control, CaptionOf(c.line), window_.layout()[c.control].bounds);
    GtkWidget* shown = FindShowing(Toplevel(), c.shown);
    ASSERT_NE(shown, nullptr) << c.shown;
    GtkWidget* label = GTK_IS_BIN(shown) ? gtk_bin_get_child(GTK_BIN(shown)) : shown;
    EXPECT_EQ(gtk_label_get_mnemonic_keyval(GTK_LABEL(label)), c.key) << c.shown;
  }
}

// A press on the close picture shows its pressed look; when another grab
// takes the pointer before the release, the picture looks as before.
TEST_F(GtkWindowTest, TheClosePictureLooksAsBeforeWhenAnotherGrabTakesThePointer) {
  GtkWidget* close = nullptr;
  GList* children = gtk_container_get_children(GTK_CONTAINER(gtk_bin_get_child(GTK_BIN(Toplevel()))));
  for (GList* c = children; c; c = c->next)
    if (GTK_IS_EVENT_BOX(c->data)) close = GTK_WIDGET(c->data);
  g_list_free(children);
  ASSERT_NE(close, nullptr);
  GtkImage* image = GTK_IMAGE(gtk_bin_get_child(GTK_BIN(close)));
  GdkPixbuf* normal = gtk_image_get_pixbuf(image);
  auto send = [&](GdkEventType type) {
    GdkEvent* event = gdk_event_new(type);
    event->any.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(close)));
    if (type == GDK_BUTTON_PRESS) event->button.button = 1;
    gtk_widget_event(close, event);
    gdk_event_free(event);
  };
  send(GDK_BUTTON_PRESS);
  EXPECT_NE(gtk_image_get_pixbuf(image), normal) << "no pressed look";
  send(GDK_GRAB_BROKEN);
  EXPECT_EQ(gtk_image_get_pixbuf(image), normal);
}

TEST_F(GtkWindowTest, AStartedProgramGetsTheEnvironmentTheLauncherWasGiven) {
  char pattern[] = "/tmp/kivora env XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  const std::string dir = pattern, program = dir + "/p";
  ASSERT_EQ(std::system(("cp '" RECORD_ARGS "' '" + program + "'").c_str()), 0);
  Launch launch;
  launch.program = Utf8ToUtf16(program);
  EXPECT_FALSE(programs_.Start(launch));
  std::string record;
  for (int i = 0; i < 500 && record.empty(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::ifstream in(program + ".env", std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    record = s.str();
  }
  std::vector<std::string> seen;
  for (size_t start = 0, end; (end = record.find('\0', start)) != std::string::npos; start = end + 1)
    seen.push_back(record.substr(start, end - start));
  std::sort(seen.begin(), seen.end());
  EXPECT_EQ(seen, kGivenEnvironment);
  std::system(("rm -rf '" + dir + "'").c_str());
}

}  // namespace
}  // namespace kivora
