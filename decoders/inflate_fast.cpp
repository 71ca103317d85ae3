#include "decoders/inflate_fast.h"

#include <cstring>

#include "archive/fast_bits.h"
#include "archive/slide_window.h"

namespace {

// The reservoir of the machine's own word.
using InflateBits = BasicFastBits<uintptr_t>;

// Looks one refill serves: literals one after another while the bits left
// hold any code (15 bits) and, where take_after does not top up, a length's
// extra bits (5). First-level literals take at most 9 bits in the usual
// codes (the first level is wider only when every code is longer), so up to
// five looks of 56 bits, two of 24.
constexpr unsigned kLastCodeBits = InflateBits::kFill >= 15 + 13 ? 15 + 5 : 15;
constexpr unsigned kLiteralsPerRefill = (InflateBits::kFill - kLastCodeBits) / 9 + 1;

// A match copy may write this far beyond the match's end; those bytes (the
// ring's oldest history) are put back.
constexpr uint32_t kCopyChunk = 16;

template <uint32_t kChunk>
[[gnu::always_inline]] inline void copy_chunks(uint8_t* out, const uint8_t* from, uint32_t length) {
  uint8_t* const end = out + length;
  uint8_t saved[kChunk];
  std::memcpy(saved, end, kChunk);
  do {
    uint8_t chunk[kChunk];
    std::memcpy(chunk, from, kChunk);
    std::memcpy(out, chunk, kChunk);
    out += kChunk;
    from += kChunk;
  } while (out < end);
  std::memcpy(end, saved, kChunk);
}

// A match with room for kCopyChunk more bytes after it, copied with the
// result of the byte-by-byte copy: in chunks that read only bytes already in
// place (a source at least a chunk behind, or ahead in the ring's previous
// round), in 8-byte chunks for distances of 8 to 15, words of one byte for
// distance 1, byte by byte for the other short periods.
// A source that wraps goes the general way.
uint8_t* copy_match_fast(SlideWindow& w, uint8_t* out, uint32_t distance, uint32_t length) {
  if (distance > static_cast<uint32_t>(out - w.begin)) {
    const uint8_t* from = out + w.size - distance;
    if (from + length + kCopyChunk > w.end) {
      w.pos = out;
      copy_match_wrapping(w, distance, length);
      return w.pos;
    }
    copy_chunks<kCopyChunk>(out, from, length);
  } else if (distance >= kCopyChunk) {
    copy_chunks<kCopyChunk>(out, out - distance, length);
  } else if (distance >= 8) {
    copy_chunks<8>(out, out - distance, length);
  } else if (distance == 1) {
    // A run of the last byte, a word at a time (no call into the C library).
    uint8_t* const end = out + length;
    uintptr_t saved;
    std::memcpy(&saved, end, sizeof saved);
    const uintptr_t word = out[-1] * (~uintptr_t{0} / 0xFF);
    for (uint8_t* to = out; to < end; to += sizeof word) std::memcpy(to, &word, sizeof word);
    std::memcpy(end, &saved, sizeof saved);
  } else {
    const uint8_t* from = out - distance;
    for (uint32_t i = 0; i < length; ++i) out[i] = from[i];
  }
  return out + length;
}

}  // namespace

uint16_t inflate_fast(RunState& run, const InflateCode& literals, const InflateCode& distances) {
  InflateBits bits;
  if (!bits.begin(run)) return kInputLow;
  SlideWindow& w = run.window;
  const uint32_t* const lit = literals.entries;
  const uint32_t* const dist = distances.entries;
  const unsigned lit_bits = literals.first_bits, dist_bits = distances.first_bits;
  // The window's position and end live in locals: a store through a byte
  // pointer could alias the window record, which would cost reloads per literal.
  uint8_t* out = w.pos;
  const uint8_t* const ring_end = w.end;
  uint16_t result = kInputLow;
  auto put_literal = [&](uint32_t entry) {
    bits.drop(code_bits(entry));
    *out++ = static_cast<uint8_t>(entry_value(entry));
    if (out == ring_end) {
      w.pos = out;
      write_full_window(w);
      out = w.pos;
    }
  };
  while (bits.refill()) {
    uint32_t e = lit[bits.peek(lit_bits)];
    for (unsigned n = 1; n < kLiteralsPerRefill && entry_kind(e) == kPlainSymbol &&
                         bits.held() >= code_bits(e) + kLastCodeBits;
         ++n) {
      put_literal(e);
      e = lit[bits.peek(lit_bits)];
    }
    e = follow_links(bits, literals, e);
    if (entry_kind(e) == kPlainSymbol) {
      put_literal(e);
      continue;
    }
    if (entry_kind(e) != kBaseValue) {
      // The end of the block, or a code no symbol has.
      if (entry_kind(e) == kBlockEnd) bits.drop(code_bits(e));
      result = entry_kind(e) == kBlockEnd ? 0 : 1;
      break;
    }
    const uint32_t length = take_base_value(bits, e);
    bits.top_up();
    const uint32_t d = follow_links(bits, distances, dist[bits.peek(dist_bits)]);
    if (entry_kind(d) != kBaseValue) {
      result = 1;
      break;
    }
    const uint32_t distance = take_base_value(bits, d);
    if (length + kCopyChunk <= static_cast<uint32_t>(ring_end - out)) {
      out = copy_match_fast(w, out, distance, length);
    } else {
      // Near the ring's end: the general copy, which writes the ring out when it fills.
      w.pos = out;
      copy_match_wrapping(w, distance, length);
      out = w.pos;
    }
  }
  w.pos = out;
  bits.end(run);
  return result;
}
