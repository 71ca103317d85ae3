// zlib's raw inflate and crc32 over the deflated entries of a set, with the
// same file reads (64 KiB) and /dev/null writes (32 KiB) as the stub's path,
// so only the decoding and the checksum differ.
#pragma once
#include <zlib.h>

#include <vector>

#include "bench/decode_set.h"
#include "platform/files.h"

class ZlibPath {
 public:
  explicit ZlibPath(const DecodeSet& set);
  ~ZlibPath();
  ZlibPath(const ZlibPath&) = delete;
  ZlibPath& operator=(const ZlibPath&) = delete;

  // Throws DecodeStop on bad data, a wrong size or a wrong CRC.
  void decode_all();

 private:
  void decode_item(const DecodeItem& item);

  const DecodeSet& set_;
  platform::FileHandle input_;
  platform::FileHandle output_;
  z_stream stream_{};
  std::vector<uint8_t> in_buffer_;
  std::vector<uint8_t> out_buffer_;
};
