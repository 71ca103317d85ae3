// The extraction pass: every entry below the target directory, each checked
// for complete consumption of its data and for its CRC-32.
#pragma once
#include <cstdint>

extern char final_message[80];

void extract_handler(int16_t phase, uint8_t* record_buffer);
void open_output_file();
void finish_entry(const struct LocalHeader& header);
// Runs the decoder of the entry's method (0 to 6 or 8) over its data.
void decode_entry(const struct LocalHeader& header);
