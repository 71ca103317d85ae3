// libdeflate over the deflated entries of a set: each entry's compressed
// bytes read whole, decompressed whole, CRC-32 over the result, written to
// /dev/null in one write. The fastest way libdeflate is meant to be used.
#pragma once
#include <libdeflate.h>

#include <vector>

#include "bench/decode_set.h"
#include "platform/files.h"

class LibdeflatePath {
 public:
  explicit LibdeflatePath(const DecodeSet& set);
  ~LibdeflatePath();
  LibdeflatePath(const LibdeflatePath&) = delete;
  LibdeflatePath& operator=(const LibdeflatePath&) = delete;

  // Throws DecodeStop on bad data, a wrong size or a wrong CRC.
  void decode_all();

 private:
  void decode_item(const DecodeItem& item);

  const DecodeSet& set_;
  platform::FileHandle input_;
  platform::FileHandle output_;
  libdeflate_decompressor* decompressor_;
  std::vector<uint8_t> in_buffer_;
  std::vector<uint8_t> out_buffer_;
};
