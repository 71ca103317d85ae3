#include "bench/liblzma_path.h"

namespace {
constexpr uint32_t kInSize = 64 * 1024;
constexpr uint32_t kOutSize = 64 * 1024;
constexpr uint32_t kFramingSize = 9;  // version, properties size, properties
}  // namespace

LiblzmaPath::LiblzmaPath(const DecodeSet& set) : PeerPath(set), in_buffer_(kInSize), out_buffer_(kOutSize) {}

LiblzmaPath::~LiblzmaPath() { lzma_end(&stream_); }

void LiblzmaPath::decode_item(const DecodeItem& item) {
  uint64_t at = item.data_offset;
  uint8_t framing[kFramingSize];
  if (platform::read_file_at(input_, at, framing, kFramingSize) != kFramingSize)
    throw DecodeStop{-1, "read failed"};
  at += kFramingSize;
  // The properties as the ZIP framing gives them: (pb * 5 + lp) * 9 + lc, then the dictionary size.
  lzma_options_lzma options;
  lzma_lzma_preset(&options, 6);
  options.lc = framing[4] % 9;
  options.lp = framing[4] / 9 % 5;
  options.pb = framing[4] / 45;
  options.dict_size =
      framing[5] | framing[6] << 8 | framing[7] << 16 | static_cast<uint32_t>(framing[8]) << 24;
  options.ext_flags = LZMA_LZMA1EXT_ALLOW_EOPM;
  lzma_set_ext_size(options, item.header.uncompressed_size());
  lzma_filter filters[] = {{LZMA_FILTER_LZMA1EXT, &options}, {LZMA_VLI_UNKNOWN, nullptr}};
  const lzma_ret init = lzma_raw_decoder(&stream_, filters);
  if (init != LZMA_OK) throw DecodeStop{-1, "lzma_raw_decoder failed"};

  uint32_t in_left = item.header.compressed_size() - kFramingSize;
  uint32_t crc = 0;
  uint64_t produced = 0;
  lzma_ret status = LZMA_OK;
  stream_.next_out = out_buffer_.data();
  stream_.avail_out = kOutSize;
  while (status != LZMA_STREAM_END) {
    if (stream_.avail_in == 0) {
      const uint32_t n = in_left < kInSize ? in_left : kInSize;
      stream_.next_in = in_buffer_.data();
      stream_.avail_in = platform::read_file_at(input_, at, in_buffer_.data(), n);
      in_left -= static_cast<uint32_t>(stream_.avail_in);
      at += stream_.avail_in;
    }
    status = lzma_code(&stream_, in_left == 0 ? LZMA_FINISH : LZMA_RUN);
    if (status != LZMA_OK && status != LZMA_STREAM_END) throw DecodeStop{status, "liblzma failed"};
    if (stream_.avail_out == 0 || status == LZMA_STREAM_END) {
      const uint32_t n = kOutSize - static_cast<uint32_t>(stream_.avail_out);
      crc = lzma_crc32(out_buffer_.data(), n, crc);
      write_piece(out_buffer_.data(), n, produced);
      stream_.next_out = out_buffer_.data();
      stream_.avail_out = kOutSize;
    }
  }
  stream_.avail_in = 0;
  expect_entry(item, produced, static_cast<uint32_t>(crc), "liblzma");
}
