// libdeflate over the deflated entries of a set: each entry's compressed
// bytes read whole, decompressed whole, CRC-32 over the result, written to
// /dev/null in one write. The fastest way libdeflate is meant to be used.
#pragma once
#include <libdeflate.h>

#include <vector>

#include "bench/peer_path.h"

class LibdeflatePath : public PeerPath {
 public:
  explicit LibdeflatePath(const DecodeSet& set);
  ~LibdeflatePath() override;

 private:
  void decode_item(const DecodeItem& item) override;

  libdeflate_decompressor* decompressor_;
  std::vector<uint8_t> in_buffer_;
  std::vector<uint8_t> out_buffer_;
};
