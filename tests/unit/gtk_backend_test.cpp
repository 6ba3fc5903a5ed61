// The real GTK back end, on a virtual display: what a screen reader is told.
#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include "platform/gtk/gtk_runtime.h"
#include "ui/frm_main.h"

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

TEST(GtkBackend, TheClosePictureIsAButtonNamedClose) {
  ASSERT_TRUE(gtk_init_check(nullptr, nullptr)) << "needs a display";
  GtkRuntime runtime(FrmMainDefinition());
  FrmMain form(runtime);
  runtime.Bind(form);
  runtime.SetCaption(ControlId::Option2, u"Second choice");
  runtime.Show();

  AtkObject* root = atk_get_root();
  ASSERT_NE(root, nullptr);
  AtkObject* close = FindByName(root, "Close");
  ASSERT_NE(close, nullptr) << "no accessible named Close";
  EXPECT_EQ(atk_object_get_role(close), ATK_ROLE_PUSH_BUTTON);
  EXPECT_NE(FindByName(root, "Second choice"), nullptr) << "a choice's caption is exposed";
  EXPECT_NE(FindByName(root, "Next"), nullptr);
}

}  // namespace
}  // namespace kivora
