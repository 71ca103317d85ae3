#include "archive/fast_bits.h"

#include "archive/archive_stream.h"
#include "archive/bit_input.h"

namespace {
// Bytes that must stay buffered for the loop to run: one 8-byte load beyond
// the furthest point a round of peeks can reach.
constexpr uint32_t kReserve = 16;
}  // namespace

bool FastBits::begin() {
  ArchiveStream& s = archive_stream;
  if (bit_count > 32 || compressed_left <= 0 || s.pos >= s.filled) return false;
  uint32_t available = s.filled - s.pos;
  if (available > static_cast<uint32_t>(compressed_left)) available = static_cast<uint32_t>(compressed_left);
  if (available < kReserve + 8) return false;
  start_ = in_ = s.buffer + s.pos;
  limit_ = start_ + available - kReserve;
  hold_ = bit_count == 0 ? 0 : bit_buffer & (0xFFFFFFFFu >> (32 - bit_count));
  bits_ = held_at_start_ = furthest_ = bit_count;
  consumed_ = 0;
  return true;
}

void FastBits::end() {
  // Lazy reads would have taken whole bytes up to the furthest bit looked at.
  uint32_t read = (furthest_ - held_at_start_ + 7) / 8;
  archive_stream.pos += read;
  compressed_left -= static_cast<int32_t>(read);
  bit_count = static_cast<uint8_t>(held_at_start_ + 8 * read - consumed_);
  bit_buffer = bit_count == 0 ? 0 : static_cast<uint32_t>(hold_ & ((uint64_t{1} << bit_count) - 1));
}
