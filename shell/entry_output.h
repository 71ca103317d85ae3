// Where an entry's bytes go. Where no file of the entry's name exists, to a
// file made under that name, as it ends: complete, or as far as the entry
// got. Where one exists, to a new file beside it, which takes its place only
// once the entry is complete and proven: a stop before then removes the new
// file and leaves the old one as it was.
#pragma once
#include <cstddef>

#include "archive/run_state.h"

// The entry's full path into `out` (kLongPathCapacity bytes): the target, a
// separator and the entry's name, so that no directory has to be made
// current on the way. Returns where the name begins.
size_t entry_path(const RunState& run, char* out);

// Makes the entry's directories and opens its output (run.window.output).
// An entry that will not be written (`writes` false: it is asked about or
// refused) gets an empty file only where none was, and no output otherwise.
void open_output_file(RunState& run, bool writes);

// Writes out, stamps and closes the entry's output, then checks it (all of
// its data consumed, its CRC-32) and, proven, puts it in place.
void finish_entry(RunState& run, const LocalHeader& header);

// The extraction pass's stop undo step (set_stop_undo, with the RunState):
// removes a new file that has not replaced its old one.
void drop_unproven_output(void* run);
