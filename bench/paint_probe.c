/* Times exec to the first drawn frame: starts a program, then polls the
   screen pixel at the centre of where its window goes (XGetImage) until it
   leaves the root's colour, and prints the milliseconds and the child's peak
   RSS (from wait4) after ending it. Usage: paint_probe PROGRAM [ARGS...] */
#define _GNU_SOURCE
#include <X11/Xlib.h>
#include <X11/Xutil.h>
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
  unsigned long before = pixel(d, root, cx, cy);
  double start = now_ms();
  pid_t child = fork();
  if (child == 0) {
    execv(argv[1], argv + 1);
    _exit(127);
  }
  double painted = -1;
  while (now_ms() - start < 10000) {
    if (pixel(d, root, cx, cy) != before) {
      painted = now_ms() - start;
      break;
    }
    usleep(200);
  }
  usleep(100000);  /* let it settle before the RSS is read */
  kill(child, SIGTERM);
  int status;
  struct rusage ru;
  wait4(child, &status, 0, &ru);
  XSync(d, False);
  printf("%.2f %ld\n", painted, ru.ru_maxrss);
  return painted < 0;
}
