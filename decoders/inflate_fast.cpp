#include "decoders/inflate_fast.h"

#include <cstring>

#include "archive/fast_bits.h"
#include "archive/slide_window.h"

namespace {

// The reservoir of the machine's own word.
using InflateBits = BasicFastBits<uintptr_t>;
constexpr bool kNarrow = InflateBits::kFill < 15 + 13;

// A 64-bit reservoir holds several literals of an 11-bit look per refill; a
// 32-bit one not even two, so there a 9-bit look, the builder's first level
// of a dynamic block, which the fixed code's 7 bits are widened to (its 8-
// and 9-bit literals would go through sub-tables). Either looks at a
// distance with a 10-bit look.
constexpr uint32_t kFastLiteralBits = InflateBits::kFill >= 56 ? 11 : 9;
constexpr uint32_t kFastDistanceBits = 10;

// Bits that must be left after a run of literals: a look and its links (15)
// and, where the loop does not top up before a length, its extra bits and
// what the distance's look needs beyond the word's last refill (see top_up:
// the look comes before the top-up that follows the length).
constexpr unsigned last_code_bits(unsigned length_extra_bits) {
  return InflateBits::kFill >= 15 + 13
             ? 15 + length_extra_bits + (kFastDistanceBits - (InflateBits::kWordBits - InflateBits::kFill))
             : 15;
}
constexpr unsigned kDeflateLengthExtraBits = 5;
// The longest match the fast copy takes: deflate's; Deflate64's longer ones
// go through the window's own copy.
constexpr uint32_t kLongestFastMatch = 258;

// A match copy writes whole chunks, the first few without a test (most
// matches are short), so it may write up to kCopyReach bytes from the
// match's start, or a chunk less one past its end: into bytes of the ring's
// previous round that nothing reads any more (sources lie behind the
// position, the previous round in its own place), or into the slack. A
// chunk is what one load and one store move: 16 bytes in a vector register
// on a 64-bit target, the machine word on a 32-bit one (whose shipped code
// may not assume vectors; wider chunks go through the stack there).
constexpr uint32_t kCopyChunk = sizeof(uintptr_t) == 8 ? 16 : 4;
constexpr uint32_t kFirstChunks = sizeof(uintptr_t) == 8 ? 3 : 5;
constexpr uint32_t kCopyReach = kCopyChunk * kFirstChunks;

// A round's output, written before the loop looks at the ring's end again.
static_assert(kWindowSlack >= (InflateBits::kFill - last_code_bits(kDeflateLengthExtraBits)) + 1 +
                                  kLongestFastMatch + kCopyReach);

template <uint32_t kChunk>
[[gnu::always_inline]] inline void copy_chunk(uint8_t* out, const uint8_t* from) {
  uint8_t chunk[kChunk];
  std::memcpy(chunk, from, kChunk);
  std::memcpy(out, chunk, kChunk);
}

// Chunks whose source is at least a chunk behind them read only bytes
// already in place: the result of the byte-by-byte copy.
template <uint32_t kChunk>
[[gnu::always_inline]] inline void copy_chunks(uint8_t* out, const uint8_t* from, uint32_t length) {
  static_assert(kChunk * kFirstChunks <= kCopyReach);
#pragma GCC unroll 8
  for (uint32_t i = 0; i < kFirstChunks; ++i) copy_chunk<kChunk>(out + i * kChunk, from + i * kChunk);
  for (uint32_t done = kChunk * kFirstChunks; done < length; done += kChunk)
    copy_chunk<kChunk>(out + done, from + done);
}

// A match, with room in the window's slack for the copy's reach, copied
// with the result of the byte-by-byte copy: in chunks for distances of a
// chunk and more (16-byte chunks: half ones down to 8), words of one byte
// for distance 1, byte by byte for the other short periods. The source is
// always `out - distance`: the ring's previous round lies before it.
uint8_t* copy_match_fast(uint8_t* out, uint32_t distance, uint32_t length) {
  const uint8_t* const from = out - distance;
  if (distance >= kCopyChunk) {
    copy_chunks<kCopyChunk>(out, from, length);
  } else if (kCopyChunk > 8 && distance >= 8) {
    copy_chunks<kCopyChunk / 2>(out, from, length);
  } else if (distance == 1) {
    // A run of the last byte, a word at a time (no call into the C library).
    uint8_t* const end = out + length;
    const uintptr_t word = out[-1] * (~uintptr_t{0} / 0xFF);
    for (uint8_t* to = out; to < end; to += sizeof word) std::memcpy(to, &word, sizeof word);
  } else {
    for (uint32_t i = 0; i < length; ++i) out[i] = from[i];
  }
  return out + length;
}

// A Deflate64 match past deflate's longest, which the slack cannot take:
// the window's own copy, from a position within the ring.
[[gnu::noinline]] uint8_t* copy_long_match(SlideWindow& w, uint8_t* out, uint32_t distance, uint32_t length) {
  w.pos = out >= w.end ? write_overrun_window(w, out) : out;
  copy_match(w, distance, length);
  return w.pos;
}

}  // namespace

// A 32-bit reservoir takes a length whole (code and extra bits, at most 20)
// after a top-up, and a distance whole when its code and extra bits take at
// most this many: they leave a literal look within the word's bits (see
// top_up). Longer ones drop the code, top up, and take the extra bits.
constexpr uint32_t kLongestWholeDistance = InflateBits::kWordBits - kFastLiteralBits;
static_assert(kLongestWholeDistance <= InflateBits::kFill);

// Literals from the fast level take at most `fast_bits` each: this many
// after a refill still leave last_code_bits, and one more can follow.
constexpr unsigned literal_run_for(uint32_t fast_bits, unsigned length_extra_bits) {
  return (InflateBits::kFill - last_code_bits(length_extra_bits)) / (fast_bits ? fast_bits : 1);
}

// After a refill's whole word, a run of literals and one more from the fast
// level leave a look of the fast width within the word's bits (see top_up),
// for every width a fast level can have.
constexpr bool look_before_refill() {
  for (uint32_t bits = kFastLiteralBits; bits <= (kNarrow ? kFastLiteralBits : 15); ++bits)
    for (unsigned extra : {kDeflateLengthExtraBits, kLongLengthExtraBits})
      if ((literal_run_for(bits, extra) + 2) * bits > InflateBits::kWordBits) return false;
  return true;
}
static_assert(look_before_refill());

// A run of literals and a length taken whole, or Deflate64's long one (its
// code and 16 extra bits), leave the distance's look within the word's bits
// (see top_up): a 32-bit word after its top-up before the length.
constexpr bool distance_look_fits() {
  constexpr unsigned kLongestLength = 15 + kDeflateLengthExtraBits,
                     kLongestLongLength = 15 + kLongLengthExtraBits;
  if (kNarrow) return kLongestLength + kFastDistanceBits <= InflateBits::kWordBits;
  for (uint32_t bits = kFastLiteralBits; bits <= 15; ++bits)
    if (literal_run_for(bits, kDeflateLengthExtraBits) * bits + kLongestLength + kFastDistanceBits >
            InflateBits::kWordBits ||
        literal_run_for(bits, kLongLengthExtraBits) * bits + kLongestLongLength + kFastDistanceBits >
            InflateBits::kWordBits)
      return false;
  return true;
}
static_assert(distance_look_fits());

// A length or distance entry's value when the reservoir holds all its bits:
// one drop, the extra bits taken from the look before it.
[[gnu::always_inline]] inline uint32_t take_whole(InflateBits& bits, uint32_t entry) {
  const uint32_t extra = bits.look(entry & 31) >> code_bits(entry);
  bits.drop_count_in(entry);
  return entry_value(entry) + extra;
}

void widen_for_fast_loop(InflateCode& literals, InflateCode& distances) {
  widen_inflate_code(literals, kFastLiteralBits);
  widen_inflate_code(distances, kFastDistanceBits);
}

uint16_t inflate_fast(RunState& run, const InflateCode& literals, const InflateCode& distances,
                      unsigned length_extra_bits) {
  // A 32-bit reservoir looks at a distance or literal with the bits a
  // length or distance leaves, which are enough for the fast looks' widths:
  // codes whose shortest code is longer (most of their space unused; no
  // encoder makes them) are decoded one symbol at a time.
  if (kNarrow && (literals.fast_bits > kFastLiteralBits || distances.fast_bits > kFastDistanceBits))
    return kInputLow;
  InflateBits bits;
  if (!bits.begin(run)) return kInputLow;
  SlideWindow& w = run.window;
  const uint32_t* const lit = literals.entries;
  const uint32_t* const dist = distances.entries;
  const uint32_t* const fast = literals.fast;
  const unsigned lit_bits = literals.first_bits, dist_bits = distances.first_bits;
  const uint32_t lit_mask = (1u << lit_bits) - 1, dist_mask = (1u << dist_bits) - 1;
  // Past the test above, a 32-bit reservoir's fast looks have constant
  // widths: masks and the literal run that need no register.
  const uint32_t fast_bits = kNarrow ? kFastLiteralBits : literals.fast_bits;
  const uint32_t fast_mask = (1u << fast_bits) - 1;
  const uint32_t* const dist_fast = distances.fast;
  const uint32_t dist_fast_mask = (1u << (kNarrow ? kFastDistanceBits : distances.fast_bits)) - 1;
  // A distance look goes uncounted where the next literal look covers it:
  // every look of the code, or at least those of codes within the first
  // level (a code through a link is longer than the first level's width).
  // Codes no longer than this come from the fast level uncounted.
  const uint32_t covered_code_bits = distances.widest_look <= lit_bits + 1 ? 15
                                     : dist_bits <= lit_bits + 1           ? dist_bits
                                                                           : 0;
  const unsigned literal_run = literal_run_for(fast_bits, length_extra_bits);
  // The window's position and end live in locals: a store through a byte
  // pointer could alias the window record, which would cost reloads per literal.
  // Output runs into the window's slack for the rest of a round and wraps at
  // the next: no test per literal.
  uint8_t* out = w.pos;
  const uint8_t* const ring_end = w.end;
  uint16_t result = kInputLow;
  // Looks are counted as the builder's tables make them, and only where a
  // later one may not cover them. A literal or length look is covered by the
  // next look of the literal width, which is counted before the block's end
  // and at low input (a code through a sub-table is longer than the
  // sub-table's index), and a distance look at most one bit wider too (the
  // distance's code takes at least that bit). Bad data stops decoding with
  // input left over (the reserve), whatever was counted.
  // The next literal look is made as soon as the bits are held (after a
  // match, before its copy), and a refill keeps it valid.
  uint32_t e = 0;
  bool more = bits.refill();
  if (more) e = fast[bits.look_masked(fast_mask)];
  while (more) {
    if (out >= ring_end) out = write_overrun_window(w, out);
    for (unsigned n = literal_run; n != 0 && is_plain(e); --n) {
      bits.drop_count_in(e);
      *out++ = static_cast<uint8_t>(entry_value(e));
      e = fast[bits.look_masked(fast_mask)];
    }
    if (is_plain(e)) {
      // The round's last literal from the fast level: the next look is still
      // within the word's bits (look_before_refill), so it need not wait for
      // the refill.
      bits.drop_count_in(e);
      *out++ = static_cast<uint8_t>(entry_value(e));
      e = fast[bits.look_masked(fast_mask)];
      more = bits.refill();
      continue;
    }
    if (!is_consumed_whole(e)) {
      // The end of the block, a long code or none: the builder's tables,
      // their looks counted.
      bits.note(lit_bits);
      e = follow_links(bits, literals, lit[bits.look_masked(lit_mask)]);
      if (is_plain(e)) {
        bits.drop_count_in(e);
        *out++ = static_cast<uint8_t>(entry_value(e));
        more = bits.refill();
        if (more) e = fast[bits.look_masked(fast_mask)];
        continue;
      }
      // The link's bits came on top of the run's: the word is refilled for
      // the distance's look.
      if constexpr (!kNarrow) bits.top_up();
    }
    // The length's bits come in one drop, and the distance's look from what
    // the word holds after it (a 32-bit reservoir tops up before the length,
    // which a 64-bit one holds already); the top-up after that look brings
    // the distance's code and extra bits.
    uint32_t length;
    if (is_kind(e, kBaseValue)) {
      if constexpr (kNarrow) bits.top_up();
      length = take_whole(bits, e);
    } else if (is_kind(e, kLongLength)) {
      length = take_long_length(bits, e);
      if constexpr (kNarrow) bits.top_up();
    } else {
      // The end of the block, or a code no symbol has.
      if (is_kind(e, kBlockEnd)) bits.drop_count_in(e);
      result = is_kind(e, kBlockEnd) ? 0 : 1;
      break;
    }
    uint32_t d = dist_fast[bits.look_masked(dist_fast_mask)];
    bits.top_up();
    uint32_t distance;
    if (is_kind(d, kBaseValue) && code_bits(d) <= covered_code_bits &&
        (!kNarrow || (d & 31) <= kLongestWholeDistance)) {
      distance = take_whole(bits, d);
    } else {
      bits.note(dist_bits);
      d = follow_links(bits, distances, dist[bits.look_masked(dist_mask)]);
      if (!is_kind(d, kBaseValue)) {
        result = 1;
        break;
      }
      distance = take_base_value(bits, d);
    }
    // The next literal look is made before the refill, which leaves the
    // bits it looks at as they are.
    e = fast[bits.look_masked(fast_mask)];
    out = length <= kLongestFastMatch ? copy_match_fast(out, distance, length)
                                      : copy_long_match(w, out, distance, length);
    more = bits.refill();
  }
  // At low input the last literal look is counted here, as the one decoding
  // goes on with (as far as the reservoir holds): that covers it, and the
  // slow reader looks that far next in any case.
  if (result == kInputLow) bits.note(lit_bits < bits.held() ? lit_bits : bits.held());
  if (out >= ring_end) out = write_overrun_window(w, out);
  w.pos = out;
  bits.end(run);
  return result;
}
