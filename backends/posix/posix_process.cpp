#include "backends/posix/posix_process.h"

#include <dirent.h>
#include <gio/gio.h>
#include <signal.h>
#include <spawn.h>
#include <unistd.h>

#include <cstdlib>
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

std::optional<SystemError> Start(const Launch& launch, int* pid) {
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
  if (pid) *pid = child;
  return std::nullopt;
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
// place of its file code, its other codes left out; nothing when it has no
// place for one file.
std::optional<std::vector<std::string>> CommandWith(const char* commandLine, const std::string& path,
                                                   const std::vector<std::string>& arguments) {
  gchar** tokens = nullptr;
  if (!commandLine || !g_shell_parse_argv(commandLine, nullptr, &tokens, nullptr)) return std::nullopt;
  std::vector<std::string> argv;
  bool placed = false;
  for (gchar** t = tokens; *t; ++t) {
    std::string token = *t;
    if (!placed && (token == "%f" || token == "%u")) {
      gchar* uri = token == "%u" ? g_filename_to_uri(path.c_str(), nullptr, nullptr) : nullptr;
      argv.push_back(uri ? uri : path);
      g_free(uri);
      argv.insert(argv.end(), arguments.begin(), arguments.end());
      placed = true;
    } else if (token.size() == 2 && token[0] == '%' && token[1] != '%') {
      continue;  // %i, %c, %k: the icon, the name, the desktop file
    } else {
      for (size_t at = token.find("%%"); at != std::string::npos; at = token.find("%%", at + 1)) token.erase(at, 1);
      argv.push_back(token);
    }
  }
  g_strfreev(tokens);
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
  if (app && launch.arguments.empty()) {
    GList files{file, nullptr, nullptr};
    GAppLaunchContext* context = g_app_launch_context_new();
    if (g_app_info_launch(app, &files, context, nullptr)) handed = Handed::kStarted;
    g_object_unref(context);
  } else if (app) {
    std::vector<std::string> arguments;
    for (const std::u16string& arg : launch.arguments) arguments.push_back(SystemBytes(arg, launch.shown));
    std::optional<std::vector<std::string>> argv = CommandWith(g_app_info_get_commandline(app), path, arguments);
    handed = Handed::kTakesNoArguments;
    if (argv) {
      gchar* program = g_find_program_in_path((*argv)[0].c_str());
      Launch started{Decode(program ? program : ""), program != nullptr, false, u"", {}, u"", launch.shown,
                     launch.folder};
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
