/* Preloaded into the launcher by a test: whenever a stat() finds a file named
   Kivora.ini, the file is removed at once, so that it is gone by the time the
   launcher opens it, as if the stick had been pulled between the two. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

int stat(const char* path, struct stat* st) {
  static int (*real)(const char*, struct stat*);
  if (!real) real = (int (*)(const char*, struct stat*))dlsym(RTLD_NEXT, "stat");
  int rc = real(path, st);
  size_t n = strlen(path);
  if (rc == 0 && n >= 10 && strcmp(path + n - 10, "Kivora.ini") == 0) unlink(path);
  return rc;
}
