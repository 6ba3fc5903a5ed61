// Kivora.exe's entry point, in place of mingw-w64's start-up code: the
// launcher reads its command line with GetCommandLineW, has one thread and
// ends with ExitProcess, so it needs none of what that code sets up (the C run
// time's arguments and environment, thread-local storage callbacks,
// pseudo-relocations, an exception filter, functions run at exit); the C run
// time's DLL sets itself up when it is loaded. The entry point runs main, and
// main the program's static constructors, through __main, as GCC has it do.
// Built without link-time optimisation: the calls to __main and to the stack
// probe are made only when code is generated, after the optimiser has
// decided what nothing calls.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

int main();

extern "C" {

// The linker puts the constructors between a -1 and a 0 (its PE script).
using Constructor = void (*)();
extern Constructor __CTOR_LIST__[];

void __main() {
  static bool done = false;
  if (done) return;
  done = true;
  for (Constructor* c = __CTOR_LIST__ + 1; *c; ++c) (*c)();
}

// Windows gives the entry point a stack aligned to 4 bytes only.
__attribute__((force_align_arg_pointer)) void KivoraStart() { ExitProcess(UINT(main())); }

}  // extern "C"

// GCC calls this, with the size in eax, before it moves the stack pointer by
// more than a page: Windows commits a thread's stack one guard page at a
// time, so each page must be touched from the top down. Every register is
// kept.
__asm__(
    ".globl ___chkstk_ms\n"
    "___chkstk_ms:\n"
    "  pushl %ecx\n"
    "  pushl %eax\n"
    "  leal 12(%esp), %ecx\n"  // the caller's stack pointer
    "1:\n"
    "  cmpl $0x1000, %eax\n"
    "  jb 2f\n"
    "  subl $0x1000, %ecx\n"
    "  orl $0, (%ecx)\n"
    "  subl $0x1000, %eax\n"
    "  jmp 1b\n"
    "2:\n"
    "  subl %eax, %ecx\n"
    "  orl $0, (%ecx)\n"
    "  popl %eax\n"
    "  popl %ecx\n"
    "  ret\n");
