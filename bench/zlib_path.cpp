#include "bench/zlib_path.h"

namespace {
constexpr uint32_t kInSize = 64 * 1024;
constexpr uint32_t kOutSize = 32 * 1024;
}  // namespace

ZlibPath::ZlibPath(const DecodeSet& set) : PeerPath(set), in_buffer_(kInSize), out_buffer_(kOutSize) {
  if (inflateInit2(&stream_, -15) != Z_OK) throw DecodeStop{-1, "inflateInit2 failed"};
}

ZlibPath::~ZlibPath() { inflateEnd(&stream_); }

void ZlibPath::decode_item(const DecodeItem& item) {
  uint64_t at = item.data_offset;
  inflateReset(&stream_);
  uint32_t in_left = item.header.compressed_size();
  uLong crc = crc32(0, nullptr, 0);
  uint64_t produced = 0;
  int status = Z_OK;
  stream_.next_out = out_buffer_.data();
  stream_.avail_out = kOutSize;
  while (status != Z_STREAM_END) {
    if (stream_.avail_in == 0) {
      uint32_t n = in_left < kInSize ? in_left : kInSize;
      stream_.next_in = in_buffer_.data();
      stream_.avail_in = platform::read_file_at(input_, at, in_buffer_.data(), n);
      in_left -= stream_.avail_in;
      at += stream_.avail_in;
    }
    status = inflate(&stream_, Z_NO_FLUSH);
    if (status != Z_OK && status != Z_STREAM_END) throw DecodeStop{status, "zlib inflate failed"};
    // Whole buffers out, as the window writes them.
    if (stream_.avail_out == 0 || status == Z_STREAM_END) {
      uint32_t n = kOutSize - stream_.avail_out;
      crc = crc32(crc, out_buffer_.data(), n);
      write_piece(out_buffer_.data(), n, produced);
      stream_.next_out = out_buffer_.data();
      stream_.avail_out = kOutSize;
    }
  }
  stream_.avail_in = 0;
  expect_entry(item, produced, static_cast<uint32_t>(crc), "zlib");
}
