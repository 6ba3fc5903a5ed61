/* Times a click on "Next" to the started program's first instruction: moves
   the pointer to X Y, then COUNT times presses the button (XTest), waits,
   takes the time and releases it ("Next" acts on the release), and waits for
   the started program to write its own start time (CLOCK_MONOTONIC) to FILE.
   The clicks are spaced past the double-click time, so that each one starts.
   It waits on inotify, not by polling, so as not to take a core from the
   launcher. Prints one latency in milliseconds per line.
   Usage: click_probe X Y FILE COUNT */
#define _GNU_SOURCE
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <libgen.h>
#include <poll.h>
#include <stdio.h>
#include <string.h>
#include <sys/inotify.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

static long long now_ns(void) {
  struct timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return t.tv_sec * 1000000000LL + t.tv_nsec;
}

int main(int argc, char** argv) {
  if (argc != 5) return 2;
  Display* d = XOpenDisplay(NULL);
  if (!d) return 2;
  const char* file = argv[3];
  int count = atoi(argv[4]);
  char dir[4096];
  snprintf(dir, sizeof dir, "%s", file);
  int watch = inotify_init1(IN_CLOEXEC);
  if (watch < 0 || inotify_add_watch(watch, dirname(dir), IN_MOVED_TO | IN_CLOSE_WRITE) < 0) return 2;
  XTestFakeMotionEvent(d, -1, atoi(argv[1]), atoi(argv[2]), CurrentTime);
  XSync(d, False);
  usleep(200000);
  for (int i = 0; i < count; ++i) {
    unlink(file);
    XTestFakeButtonEvent(d, 1, True, CurrentTime);
    XSync(d, False);
    usleep(30000);
    long long released = now_ns();
    XTestFakeButtonEvent(d, 1, False, CurrentTime);
    XFlush(d);
    long long started = -1;
    while (started < 0 && now_ns() - released < 2000000000LL) {
      struct pollfd p = {watch, POLLIN, 0};
      if (poll(&p, 1, 100) > 0) {
        char events[4096];
        if (read(watch, events, sizeof events) < 0) return 2;
      }
      FILE* f = fopen(file, "r");
      if (f) {
        if (fscanf(f, "mono:%lld", &started) != 1) started = -1;
        fclose(f);
      }
    }
    if (started < 0) return 1;
    printf("%.3f\n", (started - released) / 1e6);
    fflush(stdout);
    usleep(1000000);  /* well past the double-click time (GTK's 400 ms) of the start: a quicker click is the same press */
  }
  return 0;
}
