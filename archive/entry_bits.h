// The bit input as a decoder's loop uses it one step at a time, with the same
// calls as FastBits so that one templated loop serves both: consuming also
// peeks, which at the end of the data may use the allowance. "refill" lets
// exactly one step through, after which the fast reservoir gets another chance.
#pragma once
#include <utility>

#include "archive/bit_input.h"

class EntryBits {
 public:
  bool refill() { return std::exchange(fresh_, false); }
  uint32_t peek(unsigned n) { return peek_bits(static_cast<int16_t>(n)); }
  void drop(unsigned n) { take_bits(static_cast<int16_t>(n)); }
  uint32_t take(unsigned n) { return take_bits(static_cast<int16_t>(n)); }

 private:
  bool fresh_ = true;
};
