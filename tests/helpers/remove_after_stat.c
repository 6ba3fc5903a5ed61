/* Preloaded into the launcher by a test: whenever a stat() finds a file named
   Kivora.ini, the file is removed at once, so that it is gone by the time the
   launcher opens it, as if the stick had been pulled between the two. A
   launcher built against glibc 2.32 or older (the release's) calls stat()
   as __xstat(). */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

static int removed(int rc, const char* path) {
  size_t n = strlen(path);
  if (rc == 0 && n >= 10 && strcmp(path + n - 10, "Kivora.ini") == 0) unlink(path);
  return rc;
}

int stat(const char* path, struct stat* st) {
  static int (*real)(const char*, struct stat*);
  if (!real) real = (int (*)(const char*, struct stat*))dlsym(RTLD_NEXT, "stat");
  return removed(real(path, st), path);
}

int __xstat(int version, const char* path, struct stat* st) {
  static int (*real)(int, const char*, struct stat*);
  if (!real) real = (int (*)(int, const char*, struct stat*))dlvsym(RTLD_NEXT, "__xstat", "GLIBC_2.2.5");
  return removed(real(version, path, st), path);
}
