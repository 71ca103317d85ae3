// The Shannon-Fano code tables of imploded data: built from the run-length
// code-length descriptions at the start of an entry, then used to read one
// symbol at a time from the bit input. Defined in explode.cpp.
#pragma once
#include <cstdint>

#include "archive/run_state.h"

struct SfEntry {
  uint8_t bit_length;  // 1 to 16; 0 where the description put nothing
  uint8_t symbol;
  uint16_t code;  // bit-reversed: the code's first-arriving bit is bit 0
};

// A description's lengths take 4 bits (plus one); the literals' table is the largest.
inline constexpr unsigned kSfMaxBitLength = 16;
inline constexpr uint16_t kSfMaxEntries = 256;

// Codes this short or shorter are decoded with one look-up.
inline constexpr int16_t kSfShortcutBits = 9;

// The answer to the next kSfShortcutBits input bits: the symbol (or
// kEndOfData when the walk finds no entry) and the bits it takes. A
// bit_length of 0 means the code is longer and the walk goes on.
struct SfShortcut {
  uint16_t symbol;
  uint8_t bit_length;
};

struct SfTable {
  SfEntry* entries;       // `size` entries, sorted by bit_length then symbol once built
  uint16_t size;          // 256 (literals) or 64 (lengths, distances)
  SfShortcut* shortcuts;  // 1 << kSfShortcutBits slots
  bool has_shortcuts;     // only a completely read description gives them
  uint16_t long_codes;    // first entry longer than kSfShortcutBits
};

// Reads one description and builds the n-entry table. 0, or kEndOfData when
// the compressed bytes ran out (the table is then left unsorted, without codes).
uint16_t read_sf_tree(RunState& run, SfTable& table, uint16_t n);

// The next symbol from the bit input, or kEndOfData when the data ran out or
// the bits match no entry of the table.
uint16_t decode_sf(RunState& run, const SfTable& table);
