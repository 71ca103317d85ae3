// An interrupted binding leaves nothing behind: while a temporary output
// exists, every signal that ends the process by default (SIGINT, SIGTERM,
// SIGHUP, SIGQUIT, SIGPIPE, SIGUSR1, SIGABRT ...; on Windows Ctrl-C,
// Ctrl-Break or closing the console) removes it before the process ends
// the way the signal would have ended it.
#pragma once
#include <cstdio>
#include <string>

namespace sfxbind {

// Creates the temporary output `path` (exclusively: never through a link or
// over a file that is there) and opens it for writing and reading, so
// that an interrupt can remove it even while it is open; from then on an
// interrupt removes it. Null when it cannot be created (errno says why).
std::FILE* open_removed_on_interrupt(const std::string& path);

// The temporary output is gone or has become the output: an interrupt
// leaves it alone.
void forget_on_interrupt();

}  // namespace sfxbind
