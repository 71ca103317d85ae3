// The single source of compressed data for every decoder: the current entry's
// bytes, least significant bit first, never read past the entry's compressed
// size, with a small per-entry allowance for reads beyond it. This is the
// record both readers share; the readers are in entry_bits.h (one step at a
// time) and fast_bits.h (a reservoir for a decoder's inner loop).
#pragma once
#include <cstdint>

inline constexpr uint16_t kEndOfData = 0xFFFF;

extern const uint16_t bit_masks[17];

// One entry's bit input. Both readers keep this invariant, so either can take
// over from the other at any step:
// - Reads are lazy: a byte leaves the archive stream only when a read asks
//   for a bit in it. The stream therefore stands right after the byte holding
//   the furthest bit any read has asked for, and `compressed_left` plus
//   `compressed_beyond` count the entry's bytes from there on (below zero
//   when a stored block claims more). The readers test and count only the
//   32-bit `compressed_left`, a window of at most kCompressedWindow bytes;
//   once it is used up the slow reader moves the next window in.
// - `buffer` holds the `count` bits taken from the stream and not yet
//   consumed, the next bit at bit 0; bits at and above `count` are ignored.
// - A consuming read after a short answer (past the end, see below) wraps
//   `count` above 32; later reads are then served the buffer's zeros without
//   touching the stream, and the fast reservoir does not start.
// - `overrun_allowance` decides reads past the entry's data: positive, they
//   are answered kEndOfData, counting down; negative (inflate, which looks a
//   full table width ahead), they are answered with the bits held,
//   zero-extended, counting up; zero, the next one stops the run (code 10).
struct BitInput {
  uint32_t buffer = 0;
  uint8_t count = 0;
  int32_t compressed_left = 0;
  int16_t overrun_allowance = 0;
  uint64_t compressed_beyond = 0;  // the entry's bytes after the window
};

inline constexpr int32_t kCompressedWindow = 1 << 30;

// Entry start: the whole size to read, nothing held, allowance 2, so that
// nothing of the previous entry leaks into this one.
void reset_bit_input(BitInput& bits, uint64_t compressed_size);

// The entry's compressed bytes not read yet (negative after a stored block
// claimed more than there was).
inline int64_t compressed_unread(const BitInput& bits) {
  return bits.compressed_left + static_cast<int64_t>(bits.compressed_beyond);
}

// Counts n bytes read past the readers (stored data) off the entry's.
void count_off_compressed(BitInput& bits, uint32_t n);

// With the window used up: moves the next one in; false when the entry has
// no bytes left.
bool next_compressed_window(BitInput& bits);
