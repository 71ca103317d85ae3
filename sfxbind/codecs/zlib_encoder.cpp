// Deflate through zlib's stream: any entry size in bounded memory.
#include <zlib.h>

#include "sfxbind/codecs/entry_encoder.h"
#include "sfxbind/input/byte_source.h"

namespace sfxbind {

namespace {

class ZlibEncoder : public EntryEncoder {
 public:
  explicit ZlibEncoder(int level) {
    if (deflateInit2(&z_, level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK)
      throw BindError("zlib: out of memory");
  }
  ~ZlibEncoder() override { deflateEnd(&z_); }
  ZlibEncoder(const ZlibEncoder&) = delete;
  ZlibEncoder& operator=(const ZlibEncoder&) = delete;

  // Stops as soon as the output reaches the data's size, so what it wrote is
  // always shorter than the stored copy that replaces it.
  std::optional<Encoded> encode(const ChunkPull& next, uint64_t size, AtomicOutput& out) override {
    deflateReset(&z_);
    uint64_t written = 0;
    int flush = Z_NO_FLUSH;
    while (flush != Z_FINISH) {
      std::span<const uint8_t> chunk = next();
      if (chunk.empty()) flush = Z_FINISH;
      z_.next_in = const_cast<Bytef*>(chunk.data());
      z_.avail_in = static_cast<uInt>(chunk.size());
      int result = Z_OK;
      do {
        z_.next_out = output_.data();
        z_.avail_out = static_cast<uInt>(output_.size());
        result = deflate(&z_, flush);
        size_t n = output_.size() - z_.avail_out;
        if (written + n >= size) return std::nullopt;
        out.write({output_.data(), n});
        written += n;
      } while (z_.avail_out == 0 || (flush == Z_FINISH && result != Z_STREAM_END));
    }
    return Encoded{kMethodDeflate, 0, written};
  }

 private:
  z_stream z_{};
  Bytes output_ = Bytes(kChunk / 4);
};

}  // namespace

std::unique_ptr<EntryEncoder> make_zlib_encoder(int level) { return std::make_unique<ZlibEncoder>(level); }

}  // namespace sfxbind
