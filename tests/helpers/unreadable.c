/* Preloaded into the launcher by a test: reading the file whose path ends
   in $KIVORA_UNREADABLE fails with EIO, as on a scratched disc; opening it
   and its status still succeed. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

static int unreadable(int fd) {
  const char* name = getenv("KIVORA_UNREADABLE");
  char link[64], path[4096];
  snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
  ssize_t n = readlink(link, path, sizeof path - 1);
  if (!name || n <= 0) return 0;
  path[n] = '\0';
  size_t len = strlen(name);
  return (size_t)n >= len && strcmp(path + n - len, name) == 0;
}

#define FAIL_IF_UNREADABLE(fd) \
  if (unreadable(fd)) {        \
    errno = EIO;               \
    return -1;                 \
  }

ssize_t read(int fd, void* buffer, size_t size) {
  static ssize_t (*real)(int, void*, size_t);
  if (!real) real = (ssize_t(*)(int, void*, size_t))dlsym(RTLD_NEXT, "read");
  FAIL_IF_UNREADABLE(fd);
  return real(fd, buffer, size);
}

ssize_t pread(int fd, void* buffer, size_t size, off_t at) {
  static ssize_t (*real)(int, void*, size_t, off_t);
  if (!real) real = (ssize_t(*)(int, void*, size_t, off_t))dlsym(RTLD_NEXT, "pread");
  FAIL_IF_UNREADABLE(fd);
  return real(fd, buffer, size, at);
}

ssize_t pread64(int fd, void* buffer, size_t size, off_t at) {
  static ssize_t (*real)(int, void*, size_t, off_t);
  if (!real) real = (ssize_t(*)(int, void*, size_t, off_t))dlsym(RTLD_NEXT, "pread64");
  FAIL_IF_UNREADABLE(fd);
  return real(fd, buffer, size, at);
}
