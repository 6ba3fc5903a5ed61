/* Times exec to the first drawn frame: moves the pointer to the screen's top
   left corner, away from where any window of the benchmarks goes (a pointer
   left over a control makes it restyle for hover before its first paint),
   starts a program, then polls two screen pixels (XGetImage), the centre,
   where a centred window goes, and one near the top left corner, where a
   window goes that nobody places, until either leaves the root's colour.
   With --settle it then watches the centred launcher-sized area (421x247, the
   launcher at 96 DPI) until it has not changed for a second, and takes the
   time of its last change as "settled". Prints the milliseconds to the first
   frame, the child's peak RSS in KiB (from wait4) after ending it, and with
   --settle the milliseconds to settled.
   Usage: paint_probe [--settle] PROGRAM [ARGS...] */
#define _GNU_SOURCE
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <string.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

static double now_ms(void) {
  struct timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

static unsigned long pixel(Display* d, Window root, int x, int y) {
  XImage* img = XGetImage(d, root, x, y, 1, 1, AllPlanes, ZPixmap);
  unsigned long p = XGetPixel(img, 0, 0);
  XDestroyImage(img);
  return p;
}

enum { kAreaWidth = 421, kAreaHeight = 247 };

/* The time of the area's last change, once it has not changed for a second. */
static double settled(Display* d, Window root, double start, double painted) {
  int x = (DisplayWidth(d, 0) - kAreaWidth + 1) / 2, y = (DisplayHeight(d, 0) - kAreaHeight + 1) / 2;
  static char last[kAreaWidth * kAreaHeight * 4];
  XImage* img = XGetImage(d, root, x, y, kAreaWidth, kAreaHeight, AllPlanes, ZPixmap);
  size_t size = (size_t)img->bytes_per_line * kAreaHeight;
  if (size > sizeof last) size = sizeof last;
  memcpy(last, img->data, size);
  XDestroyImage(img);
  double changed = painted;
  while (now_ms() - start - changed < 1000 && now_ms() - start < 10000) {
    usleep(2000);
    img = XGetImage(d, root, x, y, kAreaWidth, kAreaHeight, AllPlanes, ZPixmap);
    if (memcmp(last, img->data, size) != 0) {
      changed = now_ms() - start;
      memcpy(last, img->data, size);
    }
    XDestroyImage(img);
  }
  return changed;
}

int main(int argc, char** argv) {
  int settle = argc > 1 && strcmp(argv[1], "--settle") == 0;
  argv += settle;
  argc -= settle;
  if (argc < 2) return 2;
  Display* d = XOpenDisplay(NULL);
  if (!d) return 2;
  Window root = DefaultRootWindow(d);
  XWarpPointer(d, None, root, 0, 0, 0, 0, 0, 0);
  XSync(d, False);
  int cx = DisplayWidth(d, 0) / 2, cy = DisplayHeight(d, 0) / 2;
  unsigned long before = pixel(d, root, cx, cy), corner = pixel(d, root, 60, 60);
  double start = now_ms();
  pid_t child = fork();
  if (child == 0) {
    /* Not our output: Wine's helper processes would hold it open. */
    int null = open("/dev/null", O_WRONLY);
    dup2(null, 1);
    dup2(null, 2);
    execv(argv[1], argv + 1);
    _exit(127);
  }
  double painted = -1, done = -1;
  while (now_ms() - start < 10000) {
    if (pixel(d, root, cx, cy) != before || pixel(d, root, 60, 60) != corner) {
      painted = now_ms() - start;
      break;
    }
    usleep(200);
  }
  if (settle && painted >= 0) done = settled(d, root, start, painted);
  usleep(100000);  /* let it settle before the RSS is read */
  kill(child, SIGTERM);
  int status;
  struct rusage ru;
  for (int i = 0; wait4(child, &status, WNOHANG, &ru) == 0; ++i) {
    if (i == 200) kill(child, SIGKILL);  /* Wine may not end on SIGTERM */
    usleep(10000);
  }
  XSync(d, False);
  if (settle)
    printf("%.2f %ld %.2f\n", painted, ru.ru_maxrss, done);
  else
    printf("%.2f %ld\n", painted, ru.ru_maxrss);
  return painted < 0;
}
