// XZ entries (method 95: a whole .xz stream) through liblzma.
#include <lzma.h>

#include "sfxbind/byte_fields.h"
#include "sfxbind/codecs/library_decoder.h"

namespace sfxbind {

namespace {

// What a dictionary may take: far more than any writer's largest preset.
constexpr uint64_t kMemoryLimit = uint64_t{1} << 30;

class XzDecoder : public LibraryDecoder {
 public:
  XzDecoder() {
    lzma_ret result = lzma_stream_decoder(&s_, kMemoryLimit, 0);
    if (result != LZMA_OK) throw BindError("liblzma: out of memory");
  }
  ~XzDecoder() override { lzma_end(&s_); }
  XzDecoder(const XzDecoder&) = delete;
  XzDecoder& operator=(const XzDecoder&) = delete;

  size_t decode(std::span<const uint8_t>& in, std::span<uint8_t> out) override {
    if (ended_) {
      if (!in.empty()) throw DataFault{"bytes it does not use follow its stream"};
      return 0;
    }
    s_.next_in = in.data();
    s_.avail_in = in.size();
    s_.next_out = out.data();
    s_.avail_out = out.size();
    lzma_ret result = lzma_code(&s_, LZMA_RUN);
    in = in.subspan(in.size() - s_.avail_in);
    if (result == LZMA_STREAM_END)
      ended_ = true;
    else if (result == LZMA_MEMLIMIT_ERROR || result == LZMA_MEM_ERROR)
      throw DataFault{"its dictionary needs more than the 1 GiB sfxbind gives a decoder"};
    else if (result != LZMA_OK && result != LZMA_BUF_ERROR)
      throw DataFault{"liblzma finds it damaged"};
    return out.size() - s_.avail_out;
  }
  bool ended() const override { return ended_; }

 private:
  lzma_stream s_ = LZMA_STREAM_INIT;
  bool ended_ = false;
};

}  // namespace

std::unique_ptr<LibraryDecoder> make_xz_decoder() { return std::make_unique<XzDecoder>(); }

}  // namespace sfxbind
