// The LZMA decoder's input: the entry's compressed bytes staged a few KiB at
// a time in a buffer of its own, so that the decoding loop reads them through
// a bare pointer. One symbol reads at most kLzmaSymbolInput bytes; the loop
// runs while that many are staged, and once the entry's last byte is staged,
// zeros follow it so that a symbol cut short reads them and nothing beyond.
#pragma once
#include <cstdint>

struct RunState;

// One byte per bit coded with a probability at most (a bit leaves at least
// 2^13 * 31 of a range of 2^24, and one byte shifted in restores that), one
// per 8 direct bits: a match codes 2 + 10 + 6 + 4 of the first kind and up to
// 26 of the second, 26 bytes in all; literals and repeats fewer.
inline constexpr uint32_t kLzmaSymbolInput = 32;
static_assert(kLzmaSymbolInput >= 2 + 10 + 6 + 4 + (26 + 7) / 8, "a match's bytes at most");
inline constexpr uint32_t kLzmaStageSize = 8192;
static_assert(kLzmaStageSize > 2 * kLzmaSymbolInput, "a restage always adds input");

struct LzmaInput {
  uint8_t* end = nullptr;         // of the bytes staged
  const uint8_t* safe = nullptr;  // the loop may start a symbol at or before this
  bool last = false;              // the entry's last byte is staged
  uint8_t bytes[kLzmaStageSize + kLzmaSymbolInput];
};

// Moves the bytes from `in` on to the front and stages more of the entry
// after them; returns where `in`'s byte now is.
const uint8_t* stage_lzma_input(RunState& run, LzmaInput& input, const uint8_t* in);
