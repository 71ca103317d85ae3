// One decoder per compression method. Each takes its input only from the bit
// input and emits every byte through the output window of the run.
#pragma once
#include "archive/records.h"
#include "archive/run_state.h"

void inflate_entry(RunState& run);                             // method 8
void inflate64_entry(RunState& run);                           // method 9 (Deflate64)
void explode_entry(RunState& run, const LocalHeader& header);  // method 6
void unshrink_entry(RunState& run);                            // method 1
void expand_entry(RunState& run, const LocalHeader& header);   // methods 2 to 5
void lzma_entry(RunState& run, const LocalHeader& header);     // method 14

// Runs the decoder of the entry's method (0 to 6, 8, 9 or 14) over its data.
void decode_entry(RunState& run, const LocalHeader& header);

// The window ring the method's decoder needs: Deflate64's 64 KiB history,
// else the 32 KiB ring.
inline uint32_t ring_size_for(uint16_t method) { return method == 9 ? kLargeRingSize : kRingSize; }
