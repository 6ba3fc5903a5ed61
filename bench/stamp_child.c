/* The started program for the launch benchmark, linked statically so that
   little runs before main: writes "mono:<CLOCK_MONOTONIC ns>" as its first
   act to <its own path>.out, by way of a temporary file and a rename so that
   the reader never sees half of it. */
#include <stdio.h>
#include <string.h>
#include <time.h>

int main(int argc, char** argv) {
  struct timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  (void)argc;
  char out[4096], tmp[4200];
  snprintf(out, sizeof out, "%s.out", argv[0]);
  snprintf(tmp, sizeof tmp, "%s.tmp", out);
  FILE* f = fopen(tmp, "w");
  if (!f) return 1;
  fprintf(f, "mono:%lld\n", (long long)t.tv_sec * 1000000000LL + t.tv_nsec);
  fclose(f);
  return rename(tmp, out) != 0;
}
