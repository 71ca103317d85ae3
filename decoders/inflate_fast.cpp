#include "decoders/inflate_fast.h"

#include <cstring>

#include "archive/fast_bits.h"
#include "archive/slide_window.h"

namespace {

// The reservoir of the machine's own word.
using InflateBits = BasicFastBits<uintptr_t>;

// Bits that must be left after a run of literals: a look and its links (15)
// and, where take_after does not top up, a length's extra bits.
constexpr unsigned last_code_bits(unsigned length_extra_bits) {
  return InflateBits::kFill >= 15 + 13 ? 15 + length_extra_bits : 15;
}
constexpr unsigned kDeflateLengthExtraBits = 5;
// The longest match the fast copy takes: deflate's; Deflate64's longer ones
// go through the window's own copy.
constexpr uint32_t kLongestFastMatch = 258;

// A match copy writes whole chunks, the first few without a test (most
// matches are short), so it may write up to kCopyReach bytes from the
// match's start, or a chunk less one past its end: into bytes of the ring's
// previous round that nothing reads any more (sources lie behind the
// position, the previous round in its own place), or into the slack.
constexpr uint32_t kCopyChunk = 16;
constexpr uint32_t kFirstChunks = 3;
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
  for (uint32_t i = 0; i < kFirstChunks; ++i) copy_chunk<kChunk>(out + i * kChunk, from + i * kChunk);
  for (uint32_t done = kChunk * kFirstChunks; done < length; done += kChunk)
    copy_chunk<kChunk>(out + done, from + done);
}

// A match, with room in the window's slack for the copy's reach, copied
// with the result of the byte-by-byte copy: in chunks for distances of 8 and
// more, words of one byte for distance 1, byte by byte for the other short
// periods. The source is always `out - distance`: the ring's previous round
// lies before it.
uint8_t* copy_match_fast(uint8_t* out, uint32_t distance, uint32_t length) {
  const uint8_t* const from = out - distance;
  if (distance >= kCopyChunk) {
    copy_chunks<kCopyChunk>(out, from, length);
  } else if (distance >= 8) {
    copy_chunks<8>(out, from, length);
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

// A 64-bit reservoir holds several literals of an 11-bit look per refill; a
// 32-bit one not even two, so there a 9-bit look, the builder's first level
// of a dynamic block, which the fixed code's 7 bits are widened to (its 8-
// and 9-bit literals would go through sub-tables). Either holds a 10-bit
// distance look after a length and a top-up.
constexpr uint32_t kFastLiteralBits = InflateBits::kFill >= 56 ? 11 : 9;
constexpr uint32_t kFastDistanceBits = 10;

void widen_for_fast_loop(InflateCode& literals, InflateCode& distances) {
  widen_inflate_code(literals, kFastLiteralBits);
  widen_inflate_code(distances, kFastDistanceBits);
}

uint16_t inflate_fast(RunState& run, const InflateCode& literals, const InflateCode& distances,
                      unsigned length_extra_bits) {
  InflateBits bits;
  if (!bits.begin(run)) return kInputLow;
  SlideWindow& w = run.window;
  const uint32_t* const lit = literals.entries;
  const uint32_t* const dist = distances.entries;
  const uint32_t* const fast = literals.fast;
  const unsigned lit_bits = literals.first_bits, dist_bits = distances.first_bits;
  const uint32_t lit_mask = (1u << lit_bits) - 1, dist_mask = (1u << dist_bits) - 1;
  const uint32_t fast_mask = (1u << literals.fast_bits) - 1;
  const uint32_t* const dist_fast = distances.fast;
  const uint32_t dist_fast_mask = (1u << distances.fast_bits) - 1;
  // A distance look goes uncounted where the next literal look covers it:
  // every look of the code, or at least those of codes within the first
  // level (a code through a link is longer than the first level's width).
  // Codes no longer than this come from the fast level uncounted.
  const uint32_t covered_code_bits = distances.widest_look <= lit_bits + 1 ? 15
                                     : dist_bits <= lit_bits + 1           ? dist_bits
                                                                           : 0;
  // Literals from the fast level take at most fast_bits each: this many
  // after a refill still leave last_code_bits, and one more can follow.
  const unsigned literal_run = (InflateBits::kFill - last_code_bits(length_extra_bits)) /
                               (literals.fast_bits ? literals.fast_bits : 1);
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
    if (!is_consumed_whole(e)) {
      // The end of the block, a long code or none: the builder's tables,
      // their looks counted.
      bits.note(lit_bits);
      e = follow_links(bits, literals, lit[bits.look_masked(lit_mask)]);
    }
    if (is_plain(e)) {
      bits.drop_count_in(e);
      *out++ = static_cast<uint8_t>(entry_value(e));
      more = bits.refill();
      if (more) e = fast[bits.look_masked(fast_mask)];
      continue;
    }
    // Bits for the distance's look and links: a 32-bit reservoir topped up
    // within a length keeps them (24 less its 5 extra bits), Deflate64's long
    // length and a 64-bit reservoir top up here.
    uint32_t length;
    if (is_kind(e, kBaseValue)) {
      length = take_base_value(bits, e);
      if constexpr (InflateBits::kFill >= 15 + 13) bits.top_up();
    } else if (is_kind(e, kLongLength)) {
      length = take_long_length(bits, e);
      bits.top_up();
    } else {
      // The end of the block, or a code no symbol has.
      if (is_kind(e, kBlockEnd)) bits.drop_count_in(e);
      result = is_kind(e, kBlockEnd) ? 0 : 1;
      break;
    }
    uint32_t d = dist_fast[bits.look_masked(dist_fast_mask)];
    if (!is_kind(d, kBaseValue) || code_bits(d) > covered_code_bits) {
      bits.note(dist_bits);
      d = follow_links(bits, distances, dist[bits.look_masked(dist_mask)]);
      if (!is_kind(d, kBaseValue)) {
        result = 1;
        break;
      }
    }
    const uint32_t distance = take_base_value(bits, d);
    // After a distance's extra bits a 32-bit reservoir may hold less than a
    // look: topped up here, it is as full as a refill leaves it, so the round
    // ends with the input's check alone.
    constexpr bool kToppedUp = InflateBits::kFill < 15 + 13;
    if constexpr (kToppedUp) bits.top_up();
    e = fast[bits.look_masked(fast_mask)];
    out = length <= kLongestFastMatch ? copy_match_fast(out, distance, length)
                                      : copy_long_match(w, out, distance, length);
    more = kToppedUp ? bits.room() : bits.refill();
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
