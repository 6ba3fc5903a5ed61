// A program for the launch tests: writes what it was started with to
// <its own path>.out, one line each: its arguments, its open descriptors, its
// session and process ids, the signals it ignores and those it blocks (as
// /proc gives them) and its current folder.
// With --linger it stays alive for that many seconds afterwards. The last
// line but one is the CLOCK_MONOTONIC time at which main() began, for the
// benchmarks.
// Every start also appends its pid to <its own path>.log, so that a test can
// count starts, and writes its environment to <its own path>.env, each
// variable ended by a NUL.
#include <dirent.h>
#include <fcntl.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

int main(int argc, char** argv) {
  timespec started;
  clock_gettime(CLOCK_MONOTONIC, &started);
  char self[4096];
  ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  if (n <= 0) return 1;
  self[n] = '\0';
  // The link resolves symbolic links; the name it was started as is argv[0].
  std::string out = std::string(argv[0]) + ".out";
  std::string fds;
  if (DIR* d = opendir("/proc/self/fd")) {
    while (dirent* e = readdir(d)) {
      if (e->d_name[0] == '.' || atoi(e->d_name) == dirfd(d)) continue;
      fds += std::string(" ") + e->d_name;
    }
    closedir(d);
  }
  std::string ignored = "?", blocked = "?";
  if (FILE* status = std::fopen("/proc/self/status", "r")) {
    char line[256];
    while (std::fgets(line, sizeof line, status))
      if (std::strncmp(line, "SigIgn:\t", 8) == 0) ignored = std::string(line + 8, std::strcspn(line + 8, "\n"));
      else if (std::strncmp(line, "SigBlk:\t", 8) == 0) blocked = std::string(line + 8, std::strcspn(line + 8, "\n"));
    std::fclose(status);
  }
  FILE* f = std::fopen((out + ".tmp").c_str(), "w");
  if (!f) return 1;
  int linger = 0;
  for (int i = 1; i < argc; ++i) {
    std::fprintf(f, "arg:%s\n", argv[i]);
    if (std::strcmp(argv[i], "--linger") == 0 && i + 1 < argc) linger = atoi(argv[i + 1]);
  }
  char cwd[4096];
  if (!getcwd(cwd, sizeof cwd)) std::strcpy(cwd, "?");
  std::fprintf(f, "fds:%s\nsid:%d pid:%d\nsigign:%s\nsigblk:%s\nmono:%lld\ncwd:%s\n", fds.c_str(), int(getsid(0)),
               int(getpid()), ignored.c_str(), blocked.c_str(),
               static_cast<long long>(started.tv_sec) * 1000000000LL + started.tv_nsec, cwd);
  std::fclose(f);
  std::string env = std::string(argv[0]) + ".env";
  if (FILE* e = std::fopen((env + ".tmp").c_str(), "w")) {
    for (char** v = environ; *v; ++v) std::fwrite(*v, 1, std::strlen(*v) + 1, e);
    std::fclose(e);
    std::rename((env + ".tmp").c_str(), env.c_str());
  }
  std::rename((out + ".tmp").c_str(), out.c_str());
  int log = open((std::string(argv[0]) + ".log").c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (log < 0) return 1;
  std::string line = std::to_string(getpid()) + "\n";
  if (write(log, line.data(), line.size()) != ssize_t(line.size())) return 1;
  close(log);
  if (linger > 0) sleep(unsigned(linger));
  return 0;
}
