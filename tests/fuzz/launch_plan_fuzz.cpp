// Fuzzes the plan made from a file's head, as a disc gives it: an ELF
// program's headers, loader name, machine and extent, a script's first line
// and what follows its text, a Windows program's headers. The first byte
// picks the system's conventions, the file's permission, whether more of the
// file follows the bytes given and whether a loader is there; the rest are
// the file's bytes. Whatever they are,
// the plan is made from the bytes read alone, and says why when it refuses.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include <algorithm>

#include "core/launch_plan.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1 || size > 1 + 2 * kivora::kHeadBytes) return 0;
  constexpr kivora::Conventions kLinux = kivora::kLinuxConventions, kWindows = kivora::kWindowsConventions;
  const kivora::Conventions& rules = data[0] & 1 ? kWindows : kLinux;
  const kivora::RunPermission permission = data[0] >> 1 & 1 ? kivora::RunPermission::kYes
                                           : data[0] >> 2 & 1 ? kivora::RunPermission::kMediumForbids
                                                              : kivora::RunPermission::kNoExecuteBit;
  // Exactly the bytes read: a read past them is one AddressSanitizer sees.
  std::string bytes(reinterpret_cast<const char*>(data + 1), size - 1);
  kivora::Launch launch;
  launch.program = rules.separator == u'/' ? u"/cd/setup" : u"D:\\setup.exe";
  launch.found = true;
  launch.argumentLine = u" -q";
  launch.arguments = {u"-q"};
  launch.shown = launch.program + u" -q";
  kivora::FileHead head;
  head.first = bytes.substr(0, kivora::kHeadBytes);
  head.last = bytes.substr(bytes.size() - std::min(bytes.size(), kivora::kHeadBytes));
  head.size = bytes.size() + (data[0] >> 3 & 1 ? 100000 : 0);
  head.readOnlyMedium = data[0] >> 5 & 1;
  kivora::FileFacts facts;
  facts.decode = [](std::string_view b) { return std::u16string(b.begin(), b.end()); };
  const bool loaderThere = data[0] >> 4 & 1;
  facts.systemHas = [loaderThere](const std::u16string&) { return loaderThere; };
  kivora::LaunchPlan plan = kivora::PlanLaunch(launch, rules, permission, head, facts);
  if (plan.refused) {
    int number = plan.refused->number();
    if (number != kivora::kErrInvalidCall && number != kivora::kErrPermissionDenied) std::abort();
    if (plan.refused->concerns().rfind(launch.shown + u": ", 0) != 0) std::abort();  // it names the line
    return 0;
  }
  if (plan.step == kivora::LaunchPlan::kStartCopy && (plan.whyCopy.empty() || plan.advice.empty())) std::abort();
  if (plan.through.empty()) {
    if (plan.launch.program != launch.program || plan.launch.arguments != launch.arguments) std::abort();
  } else {
    // Started through an interpreter or a loader: the file itself, then its arguments, follow it.
    const auto& args = plan.launch.arguments;
    if (plan.launch.program != plan.through || args.size() < 2 || args[args.size() - 2] != launch.program ||
        args.back() != u"-q")
      std::abort();
    if (plan.through.find(u'\0') != std::u16string::npos) std::abort();  // a name ends at a NUL
  }
  return 0;
}
