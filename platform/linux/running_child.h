// The program run_program waits for, seen by the signal handlers that remove
// the temporary folder: they pass the signal on to it and wait for its end.
#pragma once
#include <csignal>

namespace platform {

extern volatile sig_atomic_t running_child;  // its process id, 0 when none

// The signals that end a run and remove its temporary folder first.
inline constexpr int kEndingSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

}  // namespace platform
