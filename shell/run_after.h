// The settings' program, started once the extraction has completed without
// a skipped entry.
#pragma once
#include "archive/run_state.h"
#include "shell/command_line.h"

// Runs `command` (PROGRAM ARGS, PROGRAM an entry's name) in the target the
// pass extracted into, with the arguments after "--" in `options` added;
// returns its exit status. One that cannot be started stops the run.
int run_after(const RunState& run, const char* command, const StubOptions& options);
