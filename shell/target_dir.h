// Preparing each pass over the archive: the program file opened as the
// archive stream, the target directory made current (and created for the
// extraction pass).
#pragma once
#include "archive/run_state.h"

// Opens the program's own file as the archive stream at offset 0, makes the
// target directory current (creating it in the extraction pass; a target
// too long to be current is only created) and leaves its full path in
// run.paths.extract_dir.
void prepare_run(RunState& run);
