/* The floor of the display: a bare Xlib window of the launcher's size,
   filled with the launcher's background grey. */
#include <X11/Xlib.h>

int main(void) {
  Display* d = XOpenDisplay(NULL);
  if (!d) return 1;
  int s = DefaultScreen(d);
  /* Centred as the launcher centres itself, an odd half pixel rounded up. */
  int x = (DisplayWidth(d, s) - 421 + 1) / 2, y = (DisplayHeight(d, s) - 247 + 1) / 2;
  XSetWindowAttributes a;
  a.override_redirect = True;
  a.background_pixel = 0xf6f5f4;
  Window w = XCreateWindow(d, RootWindow(d, s), x, y, 421, 247, 0, CopyFromParent, InputOutput, CopyFromParent,
                           CWOverrideRedirect | CWBackPixel, &a);
  XSelectInput(d, w, ExposureMask);
  XMapWindow(d, w);
  for (;;) {
    XEvent e;
    XNextEvent(d, &e);
  }
}
