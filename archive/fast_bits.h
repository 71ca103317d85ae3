// The bit input lent to a decoder's inner loop. Bits come from a 64-bit
// reservoir refilled eight bytes at a time straight out of the archive
// stream's buffer, instead of one byte per call. It is used only while the
// entry has plenty of bytes left in that buffer, so no read can come near the
// end of the data; on return it leaves the bit input exactly as the lazy
// byte-at-a-time reads would have: the same bytes taken from the stream, the
// same bits held. To know that, it keeps the furthest bit any peek has looked
// at (reads are lazy, so that point decides how many bytes were read).
#pragma once
#include <cstdint>
#include <cstring>

#include "archive/archive_stream.h"
#include "archive/bit_input.h"

// Bytes that must stay buffered for the loop to run: one 8-byte load beyond
// the furthest point a round of peeks can reach.
inline constexpr uint32_t kFastBitsReserve = 16;

// Kept inline (with begin and end) so that a decoder's loop holds the
// reservoir in registers.
class FastBits {
 public:
  // False when the bit input or the buffer does not allow it; then nothing changed.
  bool begin();
  // Hands the state back to the bit input.
  void end();

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

inline bool FastBits::begin() {
  ArchiveStream& s = archive_stream;
  if (bit_count > 32 || compressed_left <= 0 || s.pos >= s.filled) return false;
  uint32_t available = s.filled - s.pos;
  if (available > static_cast<uint32_t>(compressed_left)) available = static_cast<uint32_t>(compressed_left);
  if (available < kFastBitsReserve + 8) return false;
  start_ = in_ = s.buffer + s.pos;
  limit_ = start_ + available - kFastBitsReserve;
  hold_ = bit_count == 0 ? 0 : bit_buffer & (0xFFFFFFFFu >> (32 - bit_count));
  bits_ = held_at_start_ = furthest_ = bit_count;
  consumed_ = 0;
  return true;
}

inline void FastBits::end() {
  // Lazy reads would have taken whole bytes up to the furthest bit looked at.
  const uint32_t furthest = furthest_ > consumed_ ? furthest_ : consumed_;
  uint32_t read = (furthest - held_at_start_ + 7) / 8;
  archive_stream.pos += read;
  compressed_left -= static_cast<int32_t>(read);
  bit_count = static_cast<uint8_t>(held_at_start_ + 8 * read - consumed_);
  bit_buffer = bit_count == 0 ? 0 : static_cast<uint32_t>(hold_ & ((uint64_t{1} << bit_count) - 1));
}
