// One decoder per compression method. Each takes its input only from the bit
// input and emits every byte through the output window of the run.
#pragma once
#include "archive/records.h"
#include "archive/run_state.h"

void inflate_entry(RunState& run);                             // method 8
void explode_entry(RunState& run, const LocalHeader& header);  // method 6
void unshrink_entry(RunState& run);                            // method 1
void expand_entry(RunState& run, const LocalHeader& header);   // methods 2 to 5

// Runs the decoder of the entry's method (0 to 6 or 8) over its data.
void decode_entry(RunState& run, const LocalHeader& header);
