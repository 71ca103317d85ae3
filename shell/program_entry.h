#pragma once
#include "base/front_end.h"
#include "shell/command_line.h"

// Installs the front end, works out the run's state from the program's own
// location, its settings and its command line, extracts (through the main
// dialog unless silent), runs the settings' program, and returns the
// process exit status.
int program_entry(FrontEnd& front_end, const StubOptions& options);
