// LZMA entries through liblzma's raw LZMA1 encoder: the entry's 4-byte
// header (the encoder's version, the properties' size) and the 5 property
// bytes, then the stream with its end marker (flag bit 1), as 7-Zip and
// Python's zipfile write them. The dictionary is the entry's size, capped,
// so the self-extractor's memory stays bounded.
#include <lzma.h>

#include <algorithm>

#include "sfxbind/codecs/entry_encoder.h"
#include "sfxbind/input/byte_source.h"

namespace sfxbind {

namespace {

constexpr uint32_t kDictionaryCap = 16u << 20;
constexpr size_t kPropertiesSize = 5;
constexpr size_t kHeaderSize = 4 + kPropertiesSize;
static_assert(LZMA_DICT_SIZE_MIN <= 4096, "the smallest dictionary liblzma takes");

class LzmaEncoder : public EntryEncoder {
 public:
  explicit LzmaEncoder(int level) {
    if (lzma_lzma_preset(&options_, static_cast<uint32_t>(level)))
      throw BindError("liblzma: no preset " + std::to_string(level));
  }
  ~LzmaEncoder() override { lzma_end(&stream_); }
  LzmaEncoder(const LzmaEncoder&) = delete;
  LzmaEncoder& operator=(const LzmaEncoder&) = delete;

  std::optional<Encoded> encode(const ChunkPull& next, uint64_t size, AtomicOutput& out) override {
    options_.dict_size =
        static_cast<uint32_t>(std::clamp<uint64_t>(size, LZMA_DICT_SIZE_MIN, kDictionaryCap));
    lzma_filter filters[] = {{LZMA_FILTER_LZMA1, &options_}, {LZMA_VLI_UNKNOWN, nullptr}};
    uint8_t header[kHeaderSize] = {LZMA_VERSION_MAJOR, LZMA_VERSION_MINOR, kPropertiesSize, 0};
    if (lzma_properties_encode(filters, header + 4) != LZMA_OK ||
        lzma_raw_encoder(&stream_, filters) != LZMA_OK)
      throw BindError("liblzma: cannot start the encoder (out of memory?)");
    stream_.avail_in = 0;  // what an encoding given up left
    if (kHeaderSize >= size) return std::nullopt;
    out.write(header);
    uint64_t written = kHeaderSize;
    lzma_action action = LZMA_RUN;
    lzma_ret result = LZMA_OK;
    while (result != LZMA_STREAM_END) {
      if (stream_.avail_in == 0 && action == LZMA_RUN) {
        std::span<const uint8_t> chunk = next();
        if (chunk.empty()) action = LZMA_FINISH;
        stream_.next_in = chunk.data();
        stream_.avail_in = chunk.size();
      }
      stream_.next_out = output_.data();
      stream_.avail_out = output_.size();
      result = lzma_code(&stream_, action);
      if (result != LZMA_OK && result != LZMA_STREAM_END) throw BindError("liblzma: the encoder failed");
      size_t n = output_.size() - stream_.avail_out;
      if (written + n >= size) return std::nullopt;
      out.write({output_.data(), n});
      written += n;
    }
    return Encoded{kMethodLzma, kFlagLzmaEndMarker, written};
  }

 private:
  lzma_options_lzma options_{};
  lzma_stream stream_ = LZMA_STREAM_INIT;
  Bytes output_ = Bytes(kChunk / 4);
};

}  // namespace

std::unique_ptr<EntryEncoder> make_lzma_encoder(int level) { return std::make_unique<LzmaEncoder>(level); }

}  // namespace sfxbind
