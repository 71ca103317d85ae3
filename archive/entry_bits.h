// The slow reader of the bit input: one request at a time, reading whole
// bytes only while fewer bits are held than asked for (the invariant of
// BitInput). EntryBits offers it with the same calls as FastBits so that one
// templated decoder loop serves both: consuming also peeks, which at the end
// of the data may use the allowance. "refill" lets exactly one step through,
// after which the fast reservoir gets another chance.
#pragma once
#include <cstdint>
#include <utility>

#include "archive/run_state.h"

// Reads bytes until n bits are held, or answers from the allowance.
uint16_t peek_bits_refill(RunState& run, int16_t n);

// n from 0 to 16: the next n bits without consuming them. Served from the
// buffer when it holds enough, which is the common case.
inline uint16_t peek_bits(RunState& run, int16_t n) {
  BitInput& b = run.bits;
  if (b.count < static_cast<uint8_t>(n)) {
    // Up to two bytes straight from the stream's buffer while the entry has
    // them; the rarer cases (end of data, buffer refill) go the long way.
    ArchiveStream& s = run.archive;
    if (b.compressed_left < 2 || s.filled - s.pos < 2 || b.count > 16) return peek_bits_refill(run, n);
    uint32_t pos = s.pos;
    do {
      b.buffer |= static_cast<uint32_t>(s.buffer[pos++]) << b.count;
      b.count = static_cast<uint8_t>(b.count + 8);
      --b.compressed_left;
    } while (b.count < static_cast<uint8_t>(n));
    s.pos = pos;
  }
  return static_cast<uint16_t>(b.buffer & bit_masks[n]);
}

// peek_bits, then consumes n bits, even after a short or end-of-data answer
// (the count then wraps, and later reads are served zeros from the buffer).
inline uint16_t take_bits(RunState& run, int16_t n) {
  uint16_t value = peek_bits(run, n);
  run.bits.buffer >>= n;
  run.bits.count = static_cast<uint8_t>(run.bits.count - n);
  return value;
}

// The next whole byte, or kEndOfData once the entry's bytes are used up.
uint16_t read_byte(RunState& run);

class EntryBits {
 public:
  explicit EntryBits(RunState& run) : run_(run) {}
  bool refill() { return std::exchange(fresh_, false); }
  uint32_t peek(unsigned n) { return peek_bits(run_, static_cast<int16_t>(n)); }
  void drop(unsigned n) { take_bits(run_, static_cast<int16_t>(n)); }
  uint32_t take(unsigned n) { return take_bits(run_, static_cast<int16_t>(n)); }
  void top_up() {}
  uint32_t take_after(unsigned code, unsigned extra) {
    drop(code);
    return take(extra);
  }
  RunState& run() const { return run_; }

 private:
  RunState& run_;
  bool fresh_ = true;
};
