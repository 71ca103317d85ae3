// Writes LZMA streams symbol by symbol, with the ZIP framing, for decoder
// tests: every path of the format can be chosen by hand. It keeps the bytes a
// decoder must produce, which the tests compare with what the stub wrote.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "decoders/lzma_model.h"

class LzmaStreamWriter {
 public:
  LzmaStreamWriter(unsigned lc, unsigned lp, unsigned pb, uint32_t dictionary_size);

  void literal(uint8_t byte);
  void match(uint32_t distance, uint32_t length);  // a new distance, 1 and up
  void rep(unsigned index, uint32_t length);       // one of the last four distances
  void short_rep();                                // one byte from the last distance
  void end_marker();
  // The framing, the properties and the stream, flushed.
  std::string finish();
  // What a decoder writes (zeros where a distance reaches before the start).
  const std::string& content() const { return content_; }

 private:
  void bit(LzmaProb& p, unsigned bit);
  void direct_bits(uint32_t value, unsigned count);
  void tree(LzmaProb* probs, unsigned bits, uint32_t symbol);
  void reverse_tree(LzmaProb* probs, unsigned bits, uint32_t symbol);
  void length(LzmaLengthProbs& p, uint32_t length);
  void shift_low();
  void copy(uint32_t distance, uint32_t length);
  uint32_t pos_state() const { return static_cast<uint32_t>(content_.size()) & ((1u << pb_) - 1); }

  unsigned lc_, lp_, pb_;
  uint32_t dictionary_size_;
  std::vector<LzmaProb> probs_;
  LzmaProbs& model_;
  unsigned state_ = 0;
  uint32_t reps_[4] = {0, 0, 0, 0};
  uint64_t low_ = 0;
  uint32_t range_ = 0xFFFFFFFFu;
  uint8_t cache_ = 0;
  uint64_t cache_size_ = 1;
  std::string stream_, content_;
};
