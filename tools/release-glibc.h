// Included before every C++ file of the release build (tools/release), which
// is compiled against glibc 2.31. What the launcher uses of a newer glibc is
// taken from the C library at run time where it has it, and done here where
// it has not.
#pragma once
#ifdef __cplusplus
#include <dirent.h>
#include <spawn.h>
#include <stdlib.h>

#if !__GLIBC_PREREQ(2, 34)
// glibc 2.34 and newer: closes every descriptor from `from` up in the child.
// A weak reference, so that it is found in the C library where there is one
// and is null on older ones.
extern "C" int posix_spawn_file_actions_addclosefrom_np(posix_spawn_file_actions_t*, int) __attribute__((weak));

// Older ones: a close action for each descriptor from `from` up that is open
// now. The launcher calls this just before it spawns, and closing one that
// has been closed since is no failure for posix_spawn.
static inline int kivora_addclosefrom(posix_spawn_file_actions_t* actions, int from) {
  if (posix_spawn_file_actions_addclosefrom_np) return posix_spawn_file_actions_addclosefrom_np(actions, from);
  DIR* fds = opendir("/proc/self/fd");
  if (!fds) return 0;
  int own = dirfd(fds);
  while (dirent* entry = readdir(fds)) {
    int fd = atoi(entry->d_name);
    if (entry->d_name[0] != '.' && fd >= from && fd != own) posix_spawn_file_actions_addclose(actions, fd);
  }
  closedir(fds);
  return 0;
}
#define posix_spawn_file_actions_addclosefrom_np kivora_addclosefrom
#endif
#endif
