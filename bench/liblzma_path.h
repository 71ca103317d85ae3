// liblzma's raw LZMA1 decoder and its CRC-32 over the LZMA entries (method
// 14) of a set, with the same file reads (64 KiB) and /dev/null writes (64
// KiB, as the stub's LZMA decoder writes them): only the decoding and the
// checksum differ.
#pragma once
#include <lzma.h>

#include <vector>

#include "bench/peer_path.h"

class LiblzmaPath : public PeerPath {
 public:
  explicit LiblzmaPath(const DecodeSet& set);
  ~LiblzmaPath() override;

 private:
  void decode_item(const DecodeItem& item) override;

  lzma_stream stream_ = LZMA_STREAM_INIT;
  std::vector<uint8_t> in_buffer_;
  std::vector<uint8_t> out_buffer_;
};
