// The LZMA model: the adaptive bit probabilities, the state machine of the
// last symbols and the length and distance codings. The decoder reads with
// it; a writer of test streams codes with the same layout.
#pragma once
#include <cstdint>

inline constexpr unsigned kLzmaStates = 12;
inline constexpr unsigned kLzmaMaxPosBits = 4;  // pb and lp are at most 4
inline constexpr unsigned kLzmaMinMatch = 2;
// The states after a literal are 0 to 6; a matched literal follows the others.
inline constexpr unsigned kLzmaLiteralStates = 7;
// Distance slots 4 to 13 have their low bits coded with probabilities, the
// higher slots with direct bits and 4 aligned bits.
inline constexpr unsigned kLzmaFirstModelSlot = 4;
inline constexpr unsigned kLzmaFirstDirectSlot = 14;
inline constexpr unsigned kLzmaAlignBits = 4;
inline constexpr uint32_t kLzmaEndMarker = 0xFFFFFFFFu;  // the distance that ends the stream
// One literal's probabilities: a plain 8-bit tree, then the trees used while
// the bits follow those of the byte at the last distance.
inline constexpr unsigned kLzmaLiteralProbs = 0x300;

using LzmaProb = uint16_t;
inline constexpr unsigned kLzmaProbBits = 11;
inline constexpr LzmaProb kLzmaProbInit = 1u << (kLzmaProbBits - 1);

struct LzmaLengthProbs {
  LzmaProb choice;   // 0: 2 to 9
  LzmaProb choice2;  // 0: 10 to 17, 1: 18 to 273
  LzmaProb low[1u << kLzmaMaxPosBits][8];
  LzmaProb mid[1u << kLzmaMaxPosBits][8];
  LzmaProb high[256];
};

// Everything but the literals, which follow it in the same block.
struct LzmaProbs {
  LzmaProb is_match[kLzmaStates][1u << kLzmaMaxPosBits];
  LzmaProb is_rep[kLzmaStates];
  LzmaProb is_rep_g0[kLzmaStates];
  LzmaProb is_rep_g1[kLzmaStates];
  LzmaProb is_rep_g2[kLzmaStates];
  LzmaProb is_rep0_long[kLzmaStates][1u << kLzmaMaxPosBits];
  LzmaProb dist_slot[4][64];  // by the length: 2, 3, 4, 5 and more
  // Slots 4 to 13: a reverse tree of up to 5 bits each.
  LzmaProb dist_special[kLzmaFirstDirectSlot - kLzmaFirstModelSlot][32];
  LzmaProb align[1u << kLzmaAlignBits];
  LzmaLengthProbs match_length;
  LzmaLengthProbs rep_length;
};
static_assert(sizeof(LzmaProbs) % sizeof(LzmaProb) == 0);

// The probabilities, literals included, for lc + lp context bits.
inline uint32_t lzma_prob_count(unsigned lc, unsigned lp) {
  return sizeof(LzmaProbs) / sizeof(LzmaProb) + (kLzmaLiteralProbs << (lc + lp));
}

inline unsigned state_after_literal(unsigned s) { return s < 4 ? 0 : s < 10 ? s - 3 : s - 6; }
inline unsigned state_after_match(unsigned s) { return s < kLzmaLiteralStates ? 7 : 10; }
inline unsigned state_after_rep(unsigned s) { return s < kLzmaLiteralStates ? 8 : 11; }
inline unsigned state_after_short_rep(unsigned s) { return s < kLzmaLiteralStates ? 9 : 11; }

// The distance slot's probabilities by the match length.
inline unsigned length_to_slot_row(unsigned length) { return length < 5 ? length - 2 : 3; }

// Distance slot to its base, and its count of low bits.
inline unsigned slot_low_bits(unsigned slot) { return (slot >> 1) - 1; }
inline uint32_t slot_base(unsigned slot) { return (2u | (slot & 1)) << slot_low_bits(slot); }
