#include "platform/posix/posix_process.h"

#include <errno.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <vector>

#include "platform/common/command_line.h"
#include "platform/common/text.h"
#include "platform/posix/posix_files.h"
#include "platform/runtime_error.h"

namespace kivora::posix {

namespace {

bool IsRegularFile(const std::u16string& path) {
  struct stat st;
  return stat(NativePath(path).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// Started programs are never waited for: the kernel reaps them as they end,
// so none is left a zombie. The launcher starts no other child.
void ReapChildrenAutomatically() {
  static bool done = false;
  if (done) return;
  struct sigaction sa {};
  sa.sa_handler = SIG_DFL;
  sa.sa_flags = SA_NOCLDWAIT;
  sigaction(SIGCHLD, &sa, nullptr);
  done = true;
}

}  // namespace

double StartProgram(const std::u16string& commandLine, const std::u16string& appPath) {
  std::u16string folder = appPath;
  while (folder.size() > 1 && (folder.back() == u'\\' || folder.back() == u'/')) folder.pop_back();
  size_t keepWhole = commandLine.compare(0, folder.size(), folder) == 0 ? folder.size() : 0;

  ProgramPart part = FindProgram(commandLine, keepWhole, IsRegularFile);
  std::string program = NativePath(part.program);
  std::vector<std::string> args{program};
  for (const std::u16string& arg : SplitArguments(part.arguments)) args.push_back(Utf16ToUtf8(arg));
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);

  struct stat st;
  if (stat(program.c_str(), &st) != 0) throw RuntimeError(kErrFileNotFound, commandLine);
  if (S_ISDIR(st.st_mode)) throw RuntimeError(kErrPermissionDenied, commandLine + u": is a folder");
  ReapChildrenAutomatically();

  // posix_spawn shares the launcher's memory until the exec (no copy of its
  // page tables) and reports a failed exec as its result. The child leads a
  // session of its own, with default signal handling, an empty signal mask and
  // no descriptor of the launcher's but 0, 1 and 2.
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  sigset_t all, none;
  sigfillset(&all);
  sigemptyset(&none);
  posix_spawnattr_setsigdefault(&attr, &all);
  posix_spawnattr_setsigmask(&attr, &none);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addclosefrom_np(&actions, 3);
  pid_t child = -1;
  int err = posix_spawn(&child, program.c_str(), &actions, &attr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attr);
  if (err != 0) {
    std::u16string what = commandLine + u": " + Utf8ToUtf16(strerror(err));
    if (err == ENOENT || err == ENOTDIR) throw RuntimeError(kErrFileNotFound, what);
    if (err == EACCES || err == EPERM) throw RuntimeError(kErrPermissionDenied, what);
    throw RuntimeError(kErrInvalidCall, what);
  }
  return double(child);
}

}  // namespace kivora::posix
