// zlib's raw inflate and crc32 over the deflated entries of a set, with the
// same file reads (64 KiB) and /dev/null writes (32 KiB) as the stub's path,
// so only the decoding and the checksum differ.
#pragma once
#include <zlib.h>

#include <vector>

#include "bench/peer_path.h"

class ZlibPath : public PeerPath {
 public:
  explicit ZlibPath(const DecodeSet& set);
  ~ZlibPath() override;

 private:
  void decode_item(const DecodeItem& item) override;

  z_stream stream_{};
  std::vector<uint8_t> in_buffer_;
  std::vector<uint8_t> out_buffer_;
};
