// The LZMA decoder's state between runs of its loop: the range decoder, the
// model, and the dictionary, a ring of its own that the entry's bytes are
// decoded into and written out from.
#pragma once
#include <cstdint>

#include "decoders/lzma_model.h"
#include "decoders/lzma_range.h"

struct LzmaDecoder {
  RangeDecoder rc{};
  LzmaProbs* model = nullptr;
  LzmaProb* literals = nullptr;  // right after the model
  unsigned lc = 0;
  uint32_t lp_mask = 0, pb_mask = 0;
  uint8_t* dict = nullptr;
  uint32_t dict_size = 0;
  uint32_t pos = 0;            // the next byte's place in the ring
  uint32_t position_base = 0;  // bytes decoded before the ring's start (mod 2^32)
  bool full = false;           // the ring has wrapped: every distance below its size is history
  unsigned state = 0;
  uint32_t reps[4] = {0, 0, 0, 0};  // the last distances, less one
  uint32_t pending = 0;             // bytes of a match still to copy
};

enum class LzmaStop { kLimit, kEndMarker, kBadData };

// Decodes symbols while the ring's position is below `limit` (at most the
// ring's size) and the input is at or before `safe`; a match that crosses
// `limit` is finished by the next run.
LzmaStop lzma_decode_run(LzmaDecoder& d, uint32_t limit, const uint8_t* safe);
