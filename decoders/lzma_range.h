// The LZMA range decoder: a 32-bit range and code, normalised before each bit
// by shifting in one byte whenever the range falls below 2^24. Kept in
// locals of the decoding loop; the helpers are inline so that they stay in
// registers.
#pragma once
#include <cstdint>

#include "decoders/lzma_model.h"

inline constexpr uint32_t kRangeTop = 1u << 24;
inline constexpr unsigned kProbMoveBits = 5;

struct RangeDecoder {
  uint32_t range;
  uint32_t code;
  const uint8_t* in;
};

[[gnu::always_inline]] inline void rc_normalize(RangeDecoder& rc) {
  if (rc.range < kRangeTop) {
    rc.range <<= 8;
    rc.code = (rc.code << 8) | *rc.in++;
  }
}

[[gnu::always_inline]] inline unsigned rc_bit(RangeDecoder& rc, LzmaProb& p) {
  rc_normalize(rc);
  const uint32_t bound = (rc.range >> kLzmaProbBits) * p;
  if (rc.code < bound) {
    rc.range = bound;
    p = static_cast<LzmaProb>(p + (((1u << kLzmaProbBits) - p) >> kProbMoveBits));
    return 0;
  }
  rc.range -= bound;
  rc.code -= bound;
  p = static_cast<LzmaProb>(p - (p >> kProbMoveBits));
  return 1;
}

// A symbol of `bits` bits, most significant first, through a tree of probabilities.
[[gnu::always_inline]] inline unsigned rc_tree(RangeDecoder& rc, LzmaProb* probs, unsigned bits) {
  unsigned m = 1;
  for (unsigned i = 0; i < bits; ++i) m = (m << 1) | rc_bit(rc, probs[m]);
  return m - (1u << bits);
}

// The same, least significant bit first.
[[gnu::always_inline]] inline unsigned rc_reverse_tree(RangeDecoder& rc, LzmaProb* probs, unsigned bits) {
  unsigned m = 1, symbol = 0;
  for (unsigned i = 0; i < bits; ++i) {
    const unsigned bit = rc_bit(rc, probs[m]);
    m = (m << 1) | bit;
    symbol |= bit << i;
  }
  return symbol;
}

// Bits of even odds, most significant first: the code less the halved range
// wraps below zero exactly for a 0 (the code is below the whole range), so its
// top bit makes the mask that adds the range back.
inline uint32_t rc_direct_bits(RangeDecoder& rc, unsigned bits) {
  uint32_t value = 0;
  do {
    rc_normalize(rc);
    rc.range >>= 1;
    rc.code -= rc.range;
    const uint32_t zero_mask = 0u - (rc.code >> 31);
    rc.code += rc.range & zero_mask;
    value = (value << 1) + (zero_mask + 1);
  } while (--bits != 0);
  return value;
}
