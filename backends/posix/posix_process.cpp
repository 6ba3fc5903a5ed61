#include "backends/posix/posix_process.h"

#include <dirent.h>
#include <pwd.h>
#include <fcntl.h>
#include <gio/gio.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <utime.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <cstring>
#include <string>
#include <vector>

#include "backends/posix/posix_files.h"
#include "core/runtime_error.h"
#include "core/text.h"

namespace kivora::posix {

namespace {

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

#if !__GLIBC_PREREQ(2, 34)
// The release is built against glibc 2.31, which lacks this; a weak
// reference finds it in a newer C library at run time, and is null in an
// older one.
extern "C" int posix_spawn_file_actions_addclosefrom_np(posix_spawn_file_actions_t*, int) __attribute__((weak));
#endif

// Has the child close every descriptor from first up. Where the C library
// cannot, each descriptor open now gets a close action of its own: the
// launcher has one thread, so none is opened between this and the spawn.
void CloseFromInChild(posix_spawn_file_actions_t* actions, int first) {
#if !__GLIBC_PREREQ(2, 34)
  if (!posix_spawn_file_actions_addclosefrom_np) {
    DIR* fds = opendir("/proc/self/fd");
    if (!fds) return;
    int own = dirfd(fds);
    while (const dirent* entry = readdir(fds)) {
      int fd = atoi(entry->d_name);
      if (entry->d_name[0] != '.' && fd >= first && fd != own) posix_spawn_file_actions_addclose(actions, fd);
    }
    closedir(fds);
    return;
  }
#endif
  posix_spawn_file_actions_addclosefrom_np(actions, first);
}

}  // namespace

std::optional<SystemError> Start(const Launch& launch) {
  std::string program = SystemBytes(launch.program, launch.shown);
  std::vector<std::string> args{program};
  for (const std::u16string& arg : launch.arguments) args.push_back(SystemBytes(arg, launch.shown));
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
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
  CloseFromInChild(&actions, 3);
  // The child's current folder is the launcher's, from wherever the launcher
  // was started, so that a script's paths relative to the disc hold.
  std::string folder = SystemBytes(launch.folder, launch.shown);
  if (!folder.empty()) posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
  pid_t child = -1;
  int err = posix_spawn(&child, program.c_str(), &actions, &attr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attr);
  if (err != 0) return SystemError{{SystemCode::kErrno, unsigned(err)}, Utf8ToUtf16(strerror(err))};
  return std::nullopt;
}

namespace {

SystemError Failed(int err, const std::string& what) {
  return {{SystemCode::kErrno, unsigned(err)}, Decode(what) + u": " + Utf8ToUtf16(strerror(err))};
}

// The folder the copies live in: the user's cache, on a disk of theirs where
// programs may run (a temporary folder is often noexec, and held in memory).
std::string CopiesFolder() {
  const char* cache = getenv("XDG_CACHE_HOME");
  const char* home = getenv("HOME");
  if (!home || home[0] != '/') {
    const passwd* user = getpwuid(getuid());
    home = user ? user->pw_dir : "/tmp";
  }
  std::string folder = cache && cache[0] == '/' ? cache : std::string(home) + "/.cache";
  return folder + "/kivora/run";
}

int MakeFolders(const std::string& path) {
  for (size_t at = path.find('/', 1);; at = path.find('/', at + 1)) {
    if (mkdir(path.substr(0, at).c_str(), 0700) != 0 && errno != EEXIST) return errno;
    if (at == std::string::npos) return 0;
  }
}

// Copies made a day ago or earlier are gone: the program that ran from one
// has read it long since. A folder in use by a copy being made is younger.
void RemoveOldCopies(const std::string& folder) {
  DIR* dir = opendir(folder.c_str());
  if (!dir) return;
  const time_t dayAgo = time(nullptr) - 24 * 60 * 60;
  while (const dirent* entry = readdir(dir)) {
    if (entry->d_name[0] == '.') continue;
    std::string copy = folder + "/" + entry->d_name;
    struct stat st;
    if (lstat(copy.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_mtime > dayAgo) continue;
    if (DIR* inner = opendir(copy.c_str())) {
      while (const dirent* file = readdir(inner))
        if (std::strcmp(file->d_name, ".") != 0 && std::strcmp(file->d_name, "..") != 0)
          unlink((copy + "/" + file->d_name).c_str());
      closedir(inner);
    }
    rmdir(copy.c_str());
  }
  closedir(dir);
}

// Copies from to a new file at to with the permission to run; the error.
int CopyFile(int from, const std::string& to) {
  int out = open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0700);
  if (out < 0) return errno;
  std::vector<char> buffer(1 << 20);
  int err = 0;
  for (;;) {
    ssize_t n = read(from, buffer.data(), buffer.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      err = n < 0 ? errno : 0;
      break;
    }
    for (ssize_t done = 0; done < n && err == 0;) {
      ssize_t w = write(out, buffer.data() + done, size_t(n - done));
      if (w < 0 && errno != EINTR) err = errno;
      if (w > 0) done += w;
    }
    if (err) break;
  }
  if (close(out) != 0 && err == 0) err = errno;
  return err;
}

}  // namespace

// One copy for each version of a file (its device, inode, size and time), so
// that starting it again costs no second copy; made under a name of its own
// and renamed when whole, so a copy cut short is never started.
std::optional<SystemError> PosixPrograms::StartCopy(const Launch& launch) {
  const std::string source = SystemBytes(launch.program, launch.shown);
  const std::string folder = CopiesFolder();
  if (int err = MakeFolders(folder)) return Failed(err, folder);
  struct statvfs medium;
  if (statvfs(folder.c_str(), &medium) == 0 && (medium.f_flag & ST_NOEXEC))
    return SystemError{{SystemCode::kErrno, EACCES},
                       Decode(folder) + u": the folder is on a medium mounted noexec, where no program may run"};
  RemoveOldCopies(folder);

  int in = open(source.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
  struct stat st;
  if (in < 0 || fstat(in, &st) != 0) {
    int err = errno;
    if (in >= 0) close(in);
    return Failed(err, source);
  }
  char key[96];
  std::snprintf(key, sizeof key, "/%llx-%llx-%llx-%llx", (unsigned long long)st.st_dev, (unsigned long long)st.st_ino,
                (unsigned long long)st.st_size, (unsigned long long)st.st_mtime);
  const std::string name = source.substr(source.rfind('/') + 1);
  const std::string copyFolder = folder + key, copy = copyFolder + "/" + name;
  struct stat made;
  if (stat(copy.c_str(), &made) == 0 && made.st_size == st.st_size) {
    utime(copyFolder.c_str(), nullptr);  // in use again: kept another day
  } else {
    std::string part = copyFolder + ".XXXXXX";
    if (!mkdtemp(part.data())) {
      int err = errno;
      close(in);
      return Failed(err, folder);
    }
    int err = CopyFile(in, part + "/" + name);
    // Another launcher that made the same copy first leaves this one spare.
    const bool renamed = err == 0 && rename(part.c_str(), copyFolder.c_str()) == 0;
    if (err == 0 && !renamed && errno != EEXIST && errno != ENOTEMPTY) err = errno;
    if (!renamed) {
      unlink((part + "/" + name).c_str());
      rmdir(part.c_str());
      if (err != 0) {
        close(in);
        return Failed(err, copyFolder);
      }
    }
  }
  close(in);
  Launch started = launch;
  started.program = Decode(copy);
  return Start(started);
}

std::optional<std::u16string> PosixPrograms::Open(const Launch& launch) {
  gchar* uri = launch.address ? g_strdup(Utf16ToUtf8(launch.program).c_str())
                              : g_filename_to_uri(SystemBytes(launch.program, launch.shown).c_str(), nullptr, nullptr);
  GAppLaunchContext* context = g_app_launch_context_new();
  GError* error = nullptr;
  bool opened = uri && g_app_info_launch_default_for_uri(uri, context, &error);
  std::u16string why = error ? Utf8ToUtf16(error->message) : u"not a file name GIO takes";
  if (error) g_error_free(error);
  g_object_unref(context);
  g_free(uri);
  if (opened) return std::nullopt;
  return why;
}

namespace {

// A desktop file's command line with the program and its arguments in the
// place of its file code (%f, %u; a list's %F, %U takes the program alone,
// as its other entries would be taken for files), its other codes left out;
// where it has no file code, the program alone at its end, as GIO puts it
// there. Nothing when it has no place for the arguments.
std::optional<std::vector<std::string>> CommandWith(const char* commandLine, const std::string& path,
                                                   const std::vector<std::string>& arguments) {
  gchar** tokens = nullptr;
  if (!commandLine || !g_shell_parse_argv(commandLine, nullptr, &tokens, nullptr)) return std::nullopt;
  std::vector<std::string> argv;
  bool placed = false;
  for (gchar** t = tokens; *t; ++t) {
    std::string token = *t;
    const bool list = token == "%F" || token == "%U";
    if (!placed && token.size() == 2 && token[0] == '%' && std::strchr("fFuU", token[1]) &&
        !(list && !arguments.empty())) {
      const bool uri = token[1] == 'u' || token[1] == 'U';
      gchar* address = uri ? g_filename_to_uri(path.c_str(), nullptr, nullptr) : nullptr;
      argv.push_back(address ? address : path);
      g_free(address);
      if (!list) argv.insert(argv.end(), arguments.begin(), arguments.end());
      placed = true;
    } else if (token.size() == 2 && token[0] == '%' && token[1] != '%') {
      continue;  // %i, %c, %k: the icon, the name, the desktop file
    } else {
      for (size_t at = token.find("%%"); at != std::string::npos; at = token.find("%%", at + 1)) token.erase(at, 1);
      argv.push_back(token);
    }
  }
  g_strfreev(tokens);
  if (!placed && arguments.empty() && !argv.empty()) {
    argv.push_back(path);
    placed = true;
  }
  if (!placed || argv.empty()) return std::nullopt;
  return argv;
}

}  // namespace

Handed PosixPrograms::StartWindowsProgram(const Launch& launch) {
  const std::string path = SystemBytes(launch.program, launch.shown);
  GFile* file = g_file_new_for_path(path.c_str());
  GFileInfo* info = g_file_query_info(file, G_FILE_ATTRIBUTE_STANDARD_CONTENT_TYPE, G_FILE_QUERY_INFO_NONE, nullptr,
                                      nullptr);
  const char* type = info ? g_file_info_get_content_type(info) : nullptr;
  GAppInfo* app = type ? g_app_info_get_default_for_type(type, FALSE) : nullptr;
  Handed handed = Handed::kNoApplication;
  if (app) {
    // Started here rather than by GIO, which would keep the launcher's own
    // current folder: the program runs in the launcher's folder, as every
    // other start does.
    std::vector<std::string> arguments;
    for (const std::u16string& arg : launch.arguments) arguments.push_back(SystemBytes(arg, launch.shown));
    std::optional<std::vector<std::string>> argv = CommandWith(g_app_info_get_commandline(app), path, arguments);
    handed = Handed::kTakesNoArguments;
    if (argv) {
      gchar* program = g_find_program_in_path((*argv)[0].c_str());
      Launch started{.program = Decode(program ? program : ""),
                     .found = program != nullptr,
                     .shown = launch.shown,
                     .folder = launch.folder};
      for (size_t i = 1; i < argv->size(); ++i) started.arguments.push_back(Decode((*argv)[i]));
      g_free(program);
      handed = started.found && !Start(started) ? Handed::kStarted : Handed::kNoApplication;
    }
  }
  if (app) g_object_unref(app);
  if (info) g_object_unref(info);
  g_object_unref(file);
  return handed;
}

}  // namespace kivora::posix
