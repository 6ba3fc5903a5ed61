/* Preloaded into the Linux launcher by a test: every monitor GDK reports has
   the rectangle in KIVORA_TEST_MONITOR ("x,y,width,height"), as the primary
   one of a desktop whose other monitor lies left of it would. Xvfb can make
   one monitor only. */
#include <gdk/gdk.h>
#include <stdio.h>
#include <stdlib.h>

void gdk_monitor_get_geometry(GdkMonitor* monitor, GdkRectangle* geometry) {
  (void)monitor;
  const char* given = getenv("KIVORA_TEST_MONITOR");
  if (!given || sscanf(given, "%d,%d,%d,%d", &geometry->x, &geometry->y, &geometry->width, &geometry->height) != 4)
    abort();
}
