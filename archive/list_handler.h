// The listing pass: one line per entry with its sizes, then a totals line.
#pragma once
#include <cstdint>

inline constexpr unsigned kLineCapacity = 255;  // 254 characters and a zero

extern int16_t files_counted;
extern uint32_t total_uncompressed;
extern uint32_t total_compressed;
extern uint8_t encrypted_seen;
extern char line_text[kLineCapacity];

// Every entry is selected.
inline bool is_selected() { return true; }

// Share of space saved in percent (0 to 100), in tenths rounded up.
uint32_t compression_ratio(uint32_t uncompressed, uint32_t compressed);

void list_handler(int16_t phase, uint8_t* record_buffer);
