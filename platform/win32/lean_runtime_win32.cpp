// Three pieces of the MinGW start-up code replaced by what they amount to in
// this program, linked into the stub alone. The originals bring about 4 KiB
// of code, texts, unwind tables and imports into a program that never uses
// them.

#include <windows.h>

struct _exception;

extern "C" {

// Patches the references to data the linker imported by itself. The stub is
// linked with --disable-auto-import and --disable-runtime-pseudo-reloc, so a
// build that would need one fails at link time and the list is always empty.
void _pei386_runtime_relocator() {}

// The start-up code refers to it but installs it only when
// _MINGW_INSTALL_DEBUG_MATHERR is 1, which nothing here sets; the original
// just prints the error to a console the stub lacks.
int _matherr(_exception*) { return 0; }

// The start-up code's filter of unhandled exceptions hands a crash to the
// handler signal() installed for it; the stub installs none, and then the
// original too leaves the crash to the system. (The start-up code keeps the
// previous filter in the variable beside it.)
LPTOP_LEVEL_EXCEPTION_FILTER __mingw_oldexcpt_handler;
LONG WINAPI _gnu_exception_handler(EXCEPTION_POINTERS*) { return EXCEPTION_CONTINUE_SEARCH; }
}
