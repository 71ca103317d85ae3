// The extraction pass: every entry below the target directory, each checked
// for complete consumption of its data and for its CRC-32. It reports its
// progress (run.progress) to the front end at each poll for a Cancel and
// after each full write of the output window, and the full total at its end.
#pragma once
#include <cstdint>

#include "archive/run_state.h"

// Directory levels of entry names are created when missing.
inline constexpr uint8_t create_dirs = 1;

void extract_handler(RunState& run, int16_t phase, uint8_t* record_buffer);
