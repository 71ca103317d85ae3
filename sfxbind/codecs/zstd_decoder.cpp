// Zstandard entries (methods 93 and 20) through libzstd: one frame or
// several in a row, as the format allows.
#include <zstd.h>

#include "sfxbind/byte_fields.h"
#include "sfxbind/codecs/library_decoder.h"

namespace sfxbind {

namespace {

class ZstdDecoder : public LibraryDecoder {
 public:
  ZstdDecoder() : d_(ZSTD_createDCtx()) {
    if (!d_) throw BindError("libzstd: out of memory");
  }
  ~ZstdDecoder() override { ZSTD_freeDCtx(d_); }
  ZstdDecoder(const ZstdDecoder&) = delete;
  ZstdDecoder& operator=(const ZstdDecoder&) = delete;

  size_t decode(std::span<const uint8_t>& in, std::span<uint8_t> out) override {
    ZSTD_inBuffer from{in.data(), in.size(), 0};
    ZSTD_outBuffer to{out.data(), out.size(), 0};
    size_t result = ZSTD_decompressStream(d_, &to, &from);
    if (ZSTD_isError(result))
      throw DataFault{std::string("libzstd finds it damaged (") + ZSTD_getErrorName(result) + ")"};
    in = in.subspan(from.pos);
    // At a frame's end until the input begins another one.
    if (result == 0)
      ended_ = true;
    else if (from.pos > 0)
      ended_ = false;
    return to.pos;
  }
  bool ended() const override { return ended_; }

 private:
  ZSTD_DCtx* d_;
  bool ended_ = false;
};

}  // namespace

std::unique_ptr<LibraryDecoder> make_zstd_decoder() { return std::make_unique<ZstdDecoder>(); }

}  // namespace sfxbind
