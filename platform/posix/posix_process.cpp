#include "platform/posix/posix_process.h"

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
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

// Runs in the grandchild, after fork: only async-signal-safe calls.
[[noreturn]] void ExecChild(const char* program, char* const argv[], int reportFd) {
  setsid();  // its own session, led by itself
  struct sigaction dfl {};
  dfl.sa_handler = SIG_DFL;
  for (int sig = 1; sig < NSIG; ++sig) sigaction(sig, &dfl, nullptr);
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);
  if (reportFd != 3) {
    dup2(reportFd, 3);
    reportFd = 3;
  }
  fcntl(3, F_SETFD, FD_CLOEXEC);
  // Keep 3, the error pipe (close-on-exec), until exec.
  long max = sysconf(_SC_OPEN_MAX);
#ifdef SYS_close_range
  if (syscall(SYS_close_range, 4u, ~0u, 0u) != 0)
#endif
    for (long fd = 4; fd < (max > 0 ? max : 1024); ++fd) close(int(fd));
  execv(program, argv);
  int err = errno;
  ssize_t ignored = write(3, &err, sizeof err);
  (void)ignored;
  _exit(127);
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

  int pipeFds[2];
  if (pipe2(pipeFds, O_CLOEXEC) != 0) throw RuntimeError(kErrInvalidCall, commandLine);
  int pidPipe[2];
  if (pipe2(pidPipe, O_CLOEXEC) != 0) {
    close(pipeFds[0]);
    close(pipeFds[1]);
    throw RuntimeError(kErrInvalidCall, commandLine);
  }

  // Fork twice: the middle process starts a new session and exits at once, so
  // the program is adopted by init, reaped there, and outlives the launcher.
  pid_t middle = fork();
  if (middle < 0) {
    for (int fd : {pipeFds[0], pipeFds[1], pidPipe[0], pidPipe[1]}) close(fd);
    throw RuntimeError(kErrInvalidCall, commandLine);
  }
  if (middle == 0) {
    setsid();
    pid_t child = fork();
    if (child == 0) ExecChild(program.c_str(), argv.data(), pipeFds[1]);
    ssize_t ignored = write(pidPipe[1], &child, sizeof child);
    (void)ignored;
    _exit(child < 0 ? 1 : 0);
  }
  close(pipeFds[1]);
  close(pidPipe[1]);
  int status = 0;
  while (waitpid(middle, &status, 0) < 0 && errno == EINTR) {
  }
  pid_t child = -1;
  if (read(pidPipe[0], &child, sizeof child) != ssize_t(sizeof child)) child = -1;
  close(pidPipe[0]);

  // The error pipe closes on a successful exec; otherwise it carries errno.
  int err = 0;
  ssize_t n;
  while ((n = read(pipeFds[0], &err, sizeof err)) < 0 && errno == EINTR) {
  }
  close(pipeFds[0]);
  if (child < 0) throw RuntimeError(kErrInvalidCall, commandLine);
  if (n == ssize_t(sizeof err)) {
    std::u16string what = commandLine + u": " + Utf8ToUtf16(strerror(err));
    if (err == ENOENT || err == ENOTDIR) throw RuntimeError(kErrFileNotFound, what);
    if (err == EACCES || err == EPERM) throw RuntimeError(kErrPermissionDenied, what);
    throw RuntimeError(kErrInvalidCall, what);
  }
  return double(child);
}

}  // namespace kivora::posix
