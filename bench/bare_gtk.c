/* The floor for a GTK program: a bare GTK 3 window with the launcher's widgets
   at fixed positions, no menu file, no resources. Given a program's path, its
   "Next" starts that program with a plain posix_spawn, the floor for the
   launch latency. */
#include <gtk/gtk.h>
#include <spawn.h>

extern char** environ;

static void start(GtkButton* button, gpointer program) {
  (void)button;
  char* argv[] = {program, NULL};
  pid_t pid;
  posix_spawn(&pid, program, NULL, NULL, argv, environ);
}

int main(int argc, char** argv) {
  gtk_init(&argc, &argv);
  GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_set_decorated(GTK_WINDOW(window), FALSE);
  gtk_window_set_resizable(GTK_WINDOW(window), FALSE);
  GtkWidget* fixed = gtk_fixed_new();
  gtk_widget_set_size_request(fixed, 421, 247);
  gtk_container_add(GTK_CONTAINER(window), fixed);
  gtk_fixed_put(GTK_FIXED(fixed), gtk_label_new("Select type "), 14, 24);
  GtkWidget* first = gtk_radio_button_new_with_label(NULL, "First");
  gtk_fixed_put(GTK_FIXED(fixed), first, 12, 62);
  gtk_fixed_put(GTK_FIXED(fixed), gtk_radio_button_new_with_label_from_widget(GTK_RADIO_BUTTON(first), "Second"), 12, 104);
  gtk_fixed_put(GTK_FIXED(fixed), gtk_radio_button_new_with_label_from_widget(GTK_RADIO_BUTTON(first), "Third"), 12, 146);
  GtkWidget* next = gtk_button_new_with_label("Next");
  gtk_widget_set_size_request(next, 125, 35);
  gtk_fixed_put(GTK_FIXED(fixed), next, 150, 190);
  if (argc > 1) g_signal_connect(next, "clicked", G_CALLBACK(start), argv[1]);
  GdkPixbuf* red = gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, 21, 21);
  gdk_pixbuf_fill(red, 0xcc2200ff);
  gtk_fixed_put(GTK_FIXED(fixed), gtk_image_new_from_pixbuf(red), 395, 2);
  GdkRectangle screen;
  gdk_monitor_get_geometry(gdk_display_get_monitor(gdk_display_get_default(), 0), &screen);
  /* Centred as the launcher centres itself, an odd half pixel rounded up. */
  gtk_window_move(GTK_WINDOW(window), (screen.width - 421 + 1) / 2, (screen.height - 247 + 1) / 2);
  g_signal_connect(window, "destroy", G_CALLBACK(gtk_main_quit), NULL);
  gtk_widget_show_all(window);
  gtk_main();
  return 0;
}
