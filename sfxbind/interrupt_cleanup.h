// An interrupted binding leaves nothing behind: while a temporary output
// exists, an interrupt (SIGINT, SIGTERM or SIGHUP; on Windows Ctrl-C,
// Ctrl-Break or closing the console) removes it before the process ends
// the way the interrupt would have ended it.
#pragma once
#include <cstdio>
#include <string>

namespace sfxbind {

// Creates and opens the temporary output `path` for writing and reading, so
// that an interrupt can remove it even while it is open; from then on an
// interrupt removes it. Null when it cannot be created (errno says why).
std::FILE* open_removed_on_interrupt(const std::string& path);

// The temporary output is gone or has become the output: an interrupt
// leaves it alone.
void forget_on_interrupt();

}  // namespace sfxbind
