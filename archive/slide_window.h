// The single sink for decoded bytes: a 32768-byte ring that is written to the
// entry's output file whenever it fills, keeps the entry's CRC-32, and is the
// history the dictionary decoders copy their matches from.
#pragma once
#include <cstdint>

#include "platform/files.h"

extern uint16_t window_size;
extern uint8_t* window_begin;
extern uint8_t* window_end;
extern uint8_t* window_pos;
extern platform::FileHandle output_stream;

// Allocates the window once for the run (extraction pass begin).
void create_window();
// Entry start: zero the ring, rewind, and restart the CRC.
void reset_window();

// Writes the full ring and wraps; a short write stops the run (code 9).
void write_full_window();

inline void put_byte(uint8_t b) {
  *window_pos++ = b;
  if (window_pos == window_end) write_full_window();
}

// Emits `length` bytes copied from `distance` bytes back in the ring, byte by
// byte semantics: a distance shorter than the length repeats recent bytes, and
// bytes before the entry's first output are the ring's zeros.
void copy_match(uint32_t distance, uint32_t length);

// Writes out what the ring holds since the last full write (end of an entry,
// or right before a stop for exhausted input). Leaves window_pos unchanged.
void flush_window();

// Moves n raw bytes from the archive stream into the window (stored data).
void copy_stored(uint32_t n);

// The entry's CRC-32 so far (complemented, as stored in the local header).
uint32_t entry_crc();
