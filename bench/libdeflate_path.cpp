#include "bench/libdeflate_path.h"

LibdeflatePath::LibdeflatePath(const DecodeSet& set)
    : PeerPath(set), decompressor_(libdeflate_alloc_decompressor()) {
  if (!decompressor_) throw DecodeStop{-1, "libdeflate_alloc_decompressor failed"};
}

LibdeflatePath::~LibdeflatePath() { libdeflate_free_decompressor(decompressor_); }

void LibdeflatePath::decode_item(const DecodeItem& item) {
  const uint32_t in_size = item.header.compressed_size();
  const uint32_t out_size = item.header.uncompressed_size();
  if (in_buffer_.size() < in_size) in_buffer_.resize(in_size);
  if (out_buffer_.size() < out_size) out_buffer_.resize(out_size);
  if (platform::read_file_at(input_, item.data_offset, in_buffer_.data(), in_size) != in_size)
    throw DecodeStop{-1, "read failed"};
  size_t produced = 0;
  if (libdeflate_deflate_decompress(decompressor_, in_buffer_.data(), in_size, out_buffer_.data(), out_size,
                                    &produced) != LIBDEFLATE_SUCCESS)
    throw DecodeStop{-1, "libdeflate failed"};
  const uint32_t crc = libdeflate_crc32(0, out_buffer_.data(), produced);
  if (!platform::write_file(output_, out_buffer_.data(), static_cast<uint32_t>(produced)))
    throw DecodeStop{-1, "write failed"};
  if (produced != out_size || crc != item.header.crc32())
    throw DecodeStop{-1, "libdeflate output differs from the entry"};
}
