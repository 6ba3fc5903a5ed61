/* Times exec to the first drawn frame: starts a program, then polls two
   screen pixels (XGetImage), the centre, where a centred window goes, and one
   near the top left corner, where a window goes that nobody places, until
   either leaves the root's colour; prints the milliseconds and the child's
   peak RSS (from wait4) after ending it. Usage: paint_probe PROGRAM [ARGS...] */
#define _GNU_SOURCE
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
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

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  Display* d = XOpenDisplay(NULL);
  if (!d) return 2;
  Window root = DefaultRootWindow(d);
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
  double painted = -1;
  while (now_ms() - start < 10000) {
    if (pixel(d, root, cx, cy) != before || pixel(d, root, 60, 60) != corner) {
      painted = now_ms() - start;
      break;
    }
    usleep(200);
  }
  usleep(100000);  /* let it settle before the RSS is read */
  kill(child, SIGTERM);
  int status;
  struct rusage ru;
  for (int i = 0; wait4(child, &status, WNOHANG, &ru) == 0; ++i) {
    if (i == 200) kill(child, SIGKILL);  /* Wine may not end on SIGTERM */
    usleep(10000);
  }
  XSync(d, False);
  printf("%.2f %ld\n", painted, ru.ru_maxrss);
  return painted < 0;
}
