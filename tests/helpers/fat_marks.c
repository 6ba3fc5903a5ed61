/* Preloaded into kivora by a test, where the kernel has no vfat to mount: a
   folder whose path holds "/fat-stick" answers as a FAT medium does through
   Linux's vfat driver. statfs() gives MSDOS_SUPER_MAGIC, and
   FAT_IOCTL_GET_ATTRIBUTES gives ATTR_ARCH for each file and folder there,
   with ATTR_HIDDEN for the file that FAT_HIDDEN names. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <linux/magic.h>
#include <linux/msdos_fs.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/ioctl.h>
#include <sys/statfs.h>
#include <unistd.h>

static int on_stick(const char* path) { return strstr(path, "/fat-stick") != NULL; }

int statfs(const char* path, struct statfs* buf) {
  static int (*real)(const char*, struct statfs*);
  if (!real) real = (int (*)(const char*, struct statfs*))dlsym(RTLD_NEXT, "statfs");
  int rc = real(path, buf);
  if (rc == 0 && on_stick(path)) buf->f_type = MSDOS_SUPER_MAGIC;
  return rc;
}

int statfs64(const char* path, struct statfs64* buf) {
  static int (*real)(const char*, struct statfs64*);
  if (!real) real = (int (*)(const char*, struct statfs64*))dlsym(RTLD_NEXT, "statfs64");
  int rc = real(path, buf);
  if (rc == 0 && on_stick(path)) buf->f_type = MSDOS_SUPER_MAGIC;
  return rc;
}

int ioctl(int fd, unsigned long request, ...) {
  static int (*real)(int, unsigned long, ...);
  if (!real) real = (int (*)(int, unsigned long, ...))dlsym(RTLD_NEXT, "ioctl");
  va_list args;
  va_start(args, request);
  void* arg = va_arg(args, void*);
  va_end(args);
  if (request == FAT_IOCTL_GET_ATTRIBUTES) {
    char link[64], path[4096];
    snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    ssize_t n = readlink(link, path, sizeof path - 1);
    if (n > 0) {
      path[n] = '\0';
      if (on_stick(path)) {
        const char* hidden = getenv("FAT_HIDDEN");
        *(__u32*)arg = ATTR_ARCH | (hidden && strcmp(strrchr(path, '/') + 1, hidden) == 0 ? ATTR_HIDDEN : 0);
        return 0;
      }
    }
  }
  return real(fd, request, arg);
}
