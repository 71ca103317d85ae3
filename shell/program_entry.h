#pragma once
#include "base/front_end.h"

// Installs the front end, works out the run's state from the program's own
// location, runs the main dialog, and returns the process exit status after
// a completed extraction.
int program_entry(FrontEnd& front_end);
