// The fast reader of the bit input, lent to a decoder's inner loop. Bits come
// from a reservoir loaded a word at a time straight out of the archive
// stream's buffer, instead of one byte per call. It is used only while
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

// Bytes that must stay buffered for the loop to run: what the loads after a
// checked refill can reach (see top_up).
inline constexpr uint32_t kFastBitsReserve = 24;

// Kept inline (with begin and end) so that a decoder's loop holds the
// reservoir in registers. The reservoir is a Word: 64 bits for explode and
// unshrink; inflate takes the machine's own word, which on a 32-bit target is
// one register instead of a pair.
template <class Word>
class BasicFastBits {
 public:
  // Bits held at least after a refill: 56 in 64 bits, 24 in 32.
  static constexpr unsigned kWordBits = 8 * sizeof(Word);
  static constexpr unsigned kFill = kWordBits - 8;

  // False when the bit input or the buffer does not allow it; then nothing changed.
  bool begin(const RunState& run);
  // Hands the state back to the bit input.
  void end(RunState& run);

  // Tops the reservoir up to at least kFill bits; false once the input left
  // is too short for another round of peeks (up to 48 bits).
  [[gnu::always_inline]] bool refill() {
    if (!room()) return false;
    top_up();
    return true;
  }
  // refill()'s check alone, for a loop whose reservoir is full already.
  [[gnu::always_inline]] bool room() const { return in_ <= limit_; }
  // refill() without the check, for a loop that needs more bits within one
  // round: the reserve covers up to six more loads of a 32-bit reservoir,
  // two of a 64-bit one. Afterwards every bit of the word is input (held()
  // counts whole bytes only, up to 7 bits fewer), and each drop takes one
  // from the top: a look may reach kWordBits less the bits dropped since.
  [[gnu::always_inline]] void top_up() {
    Word next;
    std::memcpy(&next, in_, sizeof next);  // little-endian targets only (x86)
    hold_ |= next << held();
    const unsigned bytes = (kFill + 7 - held()) >> 3;
    in_ += bytes;
    bits_ |= kFill;
  }
  // Bits in the reservoir.
  [[gnu::always_inline]] unsigned held() const { return bits_ & (kWordBits - 1); }
  // The next n bits, not counted as looked at: for a decoder that then takes
  // just the bits of one code from them, where reads a byte at a time would
  // have stopped at that code's last bit, or that counts its looks with note().
  [[gnu::always_inline]] uint32_t look(unsigned n) const {
    return static_cast<uint32_t>(hold_) & ((1u << n) - 1);
  }
  // look() with the mask of n bits made beforehand.
  [[gnu::always_inline]] uint32_t look_masked(uint32_t mask) const {
    return static_cast<uint32_t>(hold_) & mask;
  }
  // Counts the next n bits as looked at.
  [[gnu::always_inline]] void note(unsigned n) {
    const uint32_t bit = consumed() + n;
    if (bit > furthest_) furthest_ = bit;
  }
  [[gnu::always_inline]] uint32_t peek(unsigned n) {
    note(n);
    return look(n);
  }
  [[gnu::always_inline]] void drop(unsigned n) {
    hold_ >>= n;
    bits_ -= n;
  }
  // drop() of the count in the low bits of `entry` (bits 0-4 for a 32-bit
  // reservoir, 0-5 for 64), whatever its higher bits: they only reach the
  // bits of the count that held() leaves out.
  [[gnu::always_inline]] void drop_count_in(uint32_t entry) {
    hold_ >>= entry & (kWordBits - 1);
    bits_ -= entry;
  }
  // Looks no further than it consumes, so the furthest point needs no update
  // here: end() counts the bits consumed as looked at.
  [[gnu::always_inline]] uint32_t take(unsigned n) {
    uint32_t v = look(n);
    drop(n);
    return v;
  }
  // Drops a code of `code` bits and takes the `extra` bits after it (up to
  // 15 + 16 in all): at once from 64 bits, with a top-up between from 32.
  [[gnu::always_inline]] uint32_t take_after(unsigned code, unsigned extra) {
    if constexpr (kFill < 15 + 13) {
      drop(code);
      top_up();
      return take(extra);
    }
    const uint32_t v = look(code + extra) >> code;
    drop(code + extra);
    return v;
  }

 private:
  // Bits consumed since begin(), counted from the first bit held then.
  [[gnu::always_inline]] uint32_t consumed() const {
    return held_at_start_ + 8 * static_cast<uint32_t>(in_ - start_) - held();
  }

  Word hold_ = 0;
  unsigned bits_ = 0;  // the bits held, in its low bits (see held())
  const uint8_t* start_ = nullptr;
  const uint8_t* in_ = nullptr;
  const uint8_t* limit_ = nullptr;
  uint32_t held_at_start_ = 0;
  // The end of the furthest look counted, in consumed() terms; the bits
  // consumed count as looked at too. Nothing to do per drop or top-up.
  uint32_t furthest_ = 0;
};

using FastBits = BasicFastBits<uint64_t>;

template <class Word>
inline bool BasicFastBits<Word>::begin(const RunState& run) {
  const ArchiveStream& s = run.archive;
  const BitInput& b = run.bits;
  if (b.count > kFill || b.compressed_left <= 0 || s.pos >= s.filled) return false;
  uint32_t available = s.filled - s.pos;
  if (available > static_cast<uint32_t>(b.compressed_left))
    available = static_cast<uint32_t>(b.compressed_left);
  if (available < kFastBitsReserve + 8) return false;
  start_ = in_ = s.buffer + s.pos;
  limit_ = start_ + available - kFastBitsReserve;
  hold_ = b.count == 0 ? 0 : b.buffer & (0xFFFFFFFFu >> (32 - b.count));
  bits_ = held_at_start_ = b.count;
  furthest_ = b.count;  // the bits held were read, so they count as asked for
  return true;
}

template <class Word>
inline void BasicFastBits<Word>::end(RunState& run) {
  // The bytes holding a bit asked for count as read; consumed bits were asked for.
  const uint32_t used = consumed();
  const uint32_t furthest = furthest_ > used ? furthest_ : used;
  uint32_t read = (furthest - held_at_start_ + 7) / 8;
  BitInput& b = run.bits;
  run.archive.pos += read;
  b.compressed_left -= static_cast<int32_t>(read);
  b.count = static_cast<uint8_t>(held_at_start_ + 8 * read - used);
  b.buffer = b.count == 0 ? 0 : static_cast<uint32_t>(hold_ & ((Word{1} << b.count) - 1));
}
