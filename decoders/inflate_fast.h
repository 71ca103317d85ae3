// Inflate's inner loop while plenty of input is buffered: the hot code of the
// stub, compiled for speed where the rest is compiled for size.
#pragma once
#include <cstdint>

#include "archive/run_state.h"
#include "decoders/inflate_table.h"

// What decode loops return when their input runs short (at a symbol boundary).
inline constexpr uint16_t kInputLow = 2;

// Literals and matches from the fast reservoir until the end-of-block code
// (0), bad data (1), or kInputLow when too little input is buffered (also
// before the first symbol). Leaves the bit input as reads of one request at a
// time would have. `length_extra_bits` is the most a length's extra bits take:
// 5 for deflate, 16 for Deflate64.
uint16_t inflate_fast(RunState& run, const InflateCode& literals, const InflateCode& distances,
                      unsigned length_extra_bits);

// Gives a block's codes the first levels inflate_fast looks with.
void widen_for_fast_loop(InflateCode& literals, InflateCode& distances);
