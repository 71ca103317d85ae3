// The fast reader of the bit input, lent to a decoder's inner loop. Bits come
// from a 64-bit reservoir loaded eight bytes at a time straight out of the
// archive stream's buffer, instead of one byte per call. It is used only while
// the entry has plenty of bytes left in that buffer, so no read can come near
// the end of the data.
//
// It keeps BitInput's invariant in its own terms: the reservoir loads ahead,
// but a byte counts as read only once a read has asked for a bit in it, which
// the furthest bit asked for (`furthest_`) tells. end() writes the record from
// exactly that: the bytes up to the furthest bit leave the stream, the bits
// after the consumed ones stay held.
#pragma once
#include <cstdint>
#include <cstring>

#include "archive/run_state.h"

// Bytes that must stay buffered for the loop to run: one 8-byte load beyond
// the furthest point a round of peeks can reach.
inline constexpr uint32_t kFastBitsReserve = 16;

// Kept inline (with begin and end) so that a decoder's loop holds the
// reservoir in registers.
class FastBits {
 public:
  // False when the bit input or the buffer does not allow it; then nothing changed.
  bool begin(const RunState& run);
  // Hands the state back to the bit input.
  void end(RunState& run);

  // Tops the reservoir up to at least 56 bits; false once the input left is
  // too short for another round of peeks (up to 48 bits).
  bool refill() {
    if (in_ > limit_) return false;
    uint64_t next;
    std::memcpy(&next, in_, 8);  // little-endian targets only (x86)
    hold_ |= next << bits_;
    in_ += (63 - bits_) >> 3;
    bits_ |= 56;
    return true;
  }
  // The next n bits, not counted as looked at: only for a decoder that then
  // takes just the bits of one code from them, where reads a byte at a time
  // would have stopped at that code's last bit.
  uint32_t look(unsigned n) const { return static_cast<uint32_t>(hold_) & ((1u << n) - 1); }
  uint32_t peek(unsigned n) {
    if (consumed_ + n > furthest_) furthest_ = consumed_ + n;
    return look(n);
  }
  void drop(unsigned n) {
    hold_ >>= n;
    bits_ -= n;
    consumed_ += n;
  }
  // Looks no further than it consumes, so the furthest point needs no update
  // here: end() counts the bits consumed as looked at.
  uint32_t take(unsigned n) {
    uint32_t v = look(n);
    drop(n);
    return v;
  }

 private:
  uint64_t hold_ = 0;
  unsigned bits_ = 0;
  const uint8_t* start_ = nullptr;
  const uint8_t* in_ = nullptr;
  const uint8_t* limit_ = nullptr;
  uint32_t held_at_start_ = 0;
  uint32_t consumed_ = 0;  // bits taken since begin()
  uint32_t furthest_ = 0;  // furthest bit peeked at since begin(), from the same point
};

inline bool FastBits::begin(const RunState& run) {
  const ArchiveStream& s = run.archive;
  const BitInput& b = run.bits;
  if (b.count > 32 || b.compressed_left <= 0 || s.pos >= s.filled) return false;
  uint32_t available = s.filled - s.pos;
  if (available > static_cast<uint32_t>(b.compressed_left))
    available = static_cast<uint32_t>(b.compressed_left);
  if (available < kFastBitsReserve + 8) return false;
  start_ = in_ = s.buffer + s.pos;
  limit_ = start_ + available - kFastBitsReserve;
  hold_ = b.count == 0 ? 0 : b.buffer & (0xFFFFFFFFu >> (32 - b.count));
  bits_ = held_at_start_ = furthest_ = b.count;
  consumed_ = 0;
  return true;
}

inline void FastBits::end(RunState& run) {
  // The bytes holding a bit asked for count as read; consumed bits were asked for.
  const uint32_t furthest = furthest_ > consumed_ ? furthest_ : consumed_;
  uint32_t read = (furthest - held_at_start_ + 7) / 8;
  BitInput& b = run.bits;
  run.archive.pos += read;
  b.compressed_left -= static_cast<int32_t>(read);
  b.count = static_cast<uint8_t>(held_at_start_ + 8 * read - consumed_);
  b.buffer = b.count == 0 ? 0 : static_cast<uint32_t>(hold_ & ((uint64_t{1} << b.count) - 1));
}
