// The start routine of the Linux back end.
#include <gtk/gtk.h>

#include <clocale>
#include <cstdio>

#include "platform/common/dispatch.h"
#include "platform/gtk/gtk_runtime.h"
#include "platform/startup.h"
#include "ui/frm_main.h"

namespace kivora {

int ThunRTMain() {
  std::setlocale(LC_ALL, "");
  if (!gtk_init_check(nullptr, nullptr)) {
    std::fprintf(stderr, "kivora: cannot open the display (is DISPLAY or WAYLAND_DISPLAY set?)\n");
    return kExitRuntimeError;
  }
  GtkRuntime runtime(FrmMainDefinition());
  FrmMain form(runtime);
  runtime.Bind(form);
  Dispatch(runtime, [&form] { form.Form_Load(); });
  runtime.Show();
  gtk_main();
  return kExitClosed;
}

}  // namespace kivora
