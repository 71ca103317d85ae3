// The single source of compressed data for every decoder: the current entry's
// bytes, least significant bit first, never read past the entry's compressed
// size, with a small per-entry allowance for reads beyond it.
#pragma once
#include <cstdint>

#include "archive/archive_stream.h"

inline constexpr uint16_t kEndOfData = 0xFFFF;

extern uint32_t bit_buffer;
extern uint8_t bit_count;
extern int32_t compressed_left;
extern int16_t overrun_allowance;
extern const uint16_t bit_masks[17];

// Entry start: compressed_left = size, bit_count = 0, allowance 2, and the bit
// buffer cleared so that nothing of the previous entry leaks into this one.
void reset_bit_input(uint32_t compressed_size);

// Reads bytes until n bits are held, or answers from the allowance; see
// bit_input.cpp.
uint16_t peek_bits_refill(int16_t n);

// n from 0 to 16: the next n bits without consuming them. Served from the
// buffer when it holds enough, which is the common case.
inline uint16_t peek_bits(int16_t n) {
  if (bit_count < static_cast<uint8_t>(n)) {
    // Up to two bytes straight from the stream's buffer while the entry has
    // them; the rarer cases (end of data, buffer refill) go the long way.
    const ArchiveStream& s = archive_stream;
    if (compressed_left < 2 || s.filled - s.pos < 2 || bit_count > 16) return peek_bits_refill(n);
    uint32_t pos = archive_stream.pos;
    do {
      bit_buffer |= static_cast<uint32_t>(s.buffer[pos++]) << bit_count;
      bit_count = static_cast<uint8_t>(bit_count + 8);
      --compressed_left;
    } while (bit_count < static_cast<uint8_t>(n));
    archive_stream.pos = pos;
  }
  return static_cast<uint16_t>(bit_buffer & bit_masks[n]);
}

// peek_bits, then consumes n bits, even after a short or end-of-data answer
// (the count then wraps, and later reads are served zeros from the buffer).
inline uint16_t take_bits(int16_t n) {
  uint16_t value = peek_bits(n);
  bit_buffer >>= n;
  bit_count = static_cast<uint8_t>(bit_count - n);
  return value;
}
// The next whole byte, or kEndOfData once the entry's bytes are used up.
uint16_t read_byte();
