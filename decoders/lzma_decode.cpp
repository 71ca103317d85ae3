// The LZMA decoding loop (method 14's range-coded stream). Each symbol is a
// literal, a match with a coded distance, a repeat of one of the last four
// distances, or a single byte from the last distance (a short repeat); the
// end marker is a match whose distance is all ones.
#include <cstring>

#include "archive/slide_window.h"
#include "decoders/lzma_decoder.h"

namespace {

[[gnu::always_inline]] inline uint32_t decode_length(RangeDecoder& rc, LzmaLengthProbs& p,
                                                     uint32_t pos_state) {
  if (rc_bit(rc, p.choice) == 0) return kLzmaMinMatch + rc_tree(rc, p.low[pos_state], 3);
  if (rc_bit(rc, p.choice2) == 0) return kLzmaMinMatch + 8 + rc_tree(rc, p.mid[pos_state], 3);
  return kLzmaMinMatch + 16 + rc_tree(rc, p.high, 8);
}

// The distance less one; kLzmaEndMarker for the end marker.
[[gnu::always_inline]] inline uint32_t decode_distance(RangeDecoder& rc, LzmaProbs& m, uint32_t length) {
  const unsigned slot = rc_tree(rc, m.dist_slot[length_to_slot_row(length)], 6);
  if (slot < kLzmaFirstModelSlot) return slot;
  const unsigned low_bits = slot_low_bits(slot);
  uint32_t distance = slot_base(slot);
  if (slot < kLzmaFirstDirectSlot)
    return distance + rc_reverse_tree(rc, m.dist_special[slot - kLzmaFirstModelSlot], low_bits);
  distance += rc_direct_bits(rc, low_bits - kLzmaAlignBits) << kLzmaAlignBits;
  return distance + rc_reverse_tree(rc, m.align, kLzmaAlignBits);
}

// The ring's byte `distance` + 1 back from `pos`.
[[gnu::always_inline]] inline uint8_t byte_back(const uint8_t* dict, uint32_t size, uint32_t pos,
                                                uint32_t distance) {
  const uint32_t from = pos > distance ? pos - distance - 1 : pos - distance - 1 + size;
  return dict[from];
}

// Copies n bytes (not past the ring's end) from `distance` + 1 back, as a
// byte-by-byte forward copy would.
[[gnu::always_inline]] inline void copy_from_history(uint8_t* dict, uint32_t size, uint32_t pos,
                                                     uint32_t distance, uint32_t n) {
  if (pos > distance) return copy_run(dict + pos, dict + pos - distance - 1, n);
  // From the previous round, ahead of the position: its bytes are read
  // before the copy reaches them, unless it wraps to the ring's start.
  uint32_t from = pos - distance - 1 + size;
  if (n <= size - from) {
    std::memmove(dict + pos, dict + from, n);
    return;
  }
  for (uint32_t i = 0; i < n; ++i) {
    dict[pos + i] = dict[from];
    if (++from == size) from = 0;
  }
}

}  // namespace

LzmaStop lzma_decode_run(LzmaDecoder& d, uint32_t limit, const uint8_t* safe) {
  RangeDecoder rc = d.rc;
  LzmaProbs& m = *d.model;
  uint8_t* const dict = d.dict;
  const uint32_t size = d.dict_size;
  uint32_t pos = d.pos;
  // In locals: the stores into the dictionary may alias anything, and
  // would make the compiler read fields of `d` again after each byte.
  LzmaProb* const literals = d.literals;
  const unsigned lc = d.lc;
  const uint32_t lp_mask = d.lp_mask, pb_mask = d.pb_mask, position_base = d.position_base;
  const bool full = d.full;
  unsigned state = d.state;
  uint32_t rep0 = d.reps[0], rep1 = d.reps[1], rep2 = d.reps[2], rep3 = d.reps[3];
  LzmaStop stop = LzmaStop::kLimit;

  if (d.pending != 0) {
    const uint32_t n = d.pending < limit - pos ? d.pending : limit - pos;
    copy_from_history(dict, size, pos, rep0, n);
    pos += n;
    d.pending -= n;
  }
  while (pos < limit && rc.in <= safe) {
    const uint32_t pos_state = (position_base + pos) & pb_mask;
    if (rc_bit(rc, m.is_match[state][pos_state]) == 0) {
      const unsigned prev = pos != 0 ? dict[pos - 1] : full ? dict[size - 1] : 0;
      LzmaProb* probs =
          literals + kLzmaLiteralProbs * ((((position_base + pos) & lp_mask) << lc) + (prev >> (8 - lc)));
      unsigned symbol = 1;
      if (state < kLzmaLiteralStates) {
        do symbol = (symbol << 1) | rc_bit(rc, probs[symbol]);
        while (symbol < 0x100);
      } else {
        // While the bits agree with the byte at the last distance, each has
        // the probabilities of that byte's bit; after the first difference,
        // the plain tree's.
        unsigned match = byte_back(dict, size, pos, rep0);
        unsigned offset = 0x100;
        do {
          match <<= 1;
          const unsigned match_bit = match & offset;
          const unsigned bit = rc_bit(rc, probs[offset + match_bit + symbol]);
          symbol = (symbol << 1) | bit;
          offset &= match_bit ^ (bit - 1u);
        } while (symbol < 0x100);
      }
      dict[pos++] = static_cast<uint8_t>(symbol);
      state = state_after_literal(state);
      continue;
    }
    // A new distance, or one of the last four; each has its own lengths.
    const bool new_distance = rc_bit(rc, m.is_rep[state]) == 0;
    LzmaLengthProbs* lengths = &m.rep_length;
    if (new_distance) {
      lengths = &m.match_length;
    } else if (rc_bit(rc, m.is_rep_g0[state]) == 0) {
      if (rc_bit(rc, m.is_rep0_long[state][pos_state]) == 0) {
        if (rep0 >= (full ? size : pos)) {
          stop = LzmaStop::kBadData;
          break;
        }
        dict[pos] = byte_back(dict, size, pos, rep0);
        ++pos;
        state = state_after_short_rep(state);
        continue;
      }
    } else {
      uint32_t distance;
      if (rc_bit(rc, m.is_rep_g1[state]) == 0) {
        distance = rep1;
      } else {
        if (rc_bit(rc, m.is_rep_g2[state]) == 0) {
          distance = rep2;
        } else {
          distance = rep3;
          rep3 = rep2;
        }
        rep2 = rep1;
      }
      rep1 = rep0;
      rep0 = distance;
    }
    const uint32_t length = decode_length(rc, *lengths, pos_state);
    if (new_distance) {
      const uint32_t distance = decode_distance(rc, m, length);
      if (distance == kLzmaEndMarker) {
        stop = LzmaStop::kEndMarker;
        break;
      }
      rep3 = rep2;
      rep2 = rep1;
      rep1 = rep0;
      rep0 = distance;
      state = state_after_match(state);
    } else {
      state = state_after_rep(state);
    }
    if (rep0 >= (full ? size : pos)) {
      stop = LzmaStop::kBadData;
      break;
    }
    const uint32_t n = length < limit - pos ? length : limit - pos;
    copy_from_history(dict, size, pos, rep0, n);
    pos += n;
    d.pending = length - n;
  }

  d.rc = rc;
  d.pos = pos;
  d.state = state;
  d.reps[0] = rep0;
  d.reps[1] = rep1;
  d.reps[2] = rep2;
  d.reps[3] = rep3;
  return stop;
}
