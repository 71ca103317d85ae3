// The listing pass: one line per entry with its sizes, then a totals line.
#pragma once
#include <cstdint>

#include "archive/run_state.h"

// Every entry is selected.
inline bool is_selected() { return true; }

// Share of space saved in percent (0 to 100), in tenths rounded up.
uint32_t compression_ratio(uint64_t uncompressed, uint64_t compressed);

void list_handler(RunState& run, int16_t phase, uint8_t* record_buffer);
