// BZip2 entries (method 12) through libbz2: one stream, nothing after it.
#include <bzlib.h>

#include "sfxbind/byte_fields.h"
#include "sfxbind/codecs/library_decoder.h"

namespace sfxbind {

namespace {

class Bzip2Decoder : public LibraryDecoder {
 public:
  Bzip2Decoder() {
    if (BZ2_bzDecompressInit(&s_, 0, 0) != BZ_OK) throw BindError("libbz2: out of memory");
  }
  ~Bzip2Decoder() override { BZ2_bzDecompressEnd(&s_); }
  Bzip2Decoder(const Bzip2Decoder&) = delete;
  Bzip2Decoder& operator=(const Bzip2Decoder&) = delete;

  size_t decode(std::span<const uint8_t>& in, std::span<uint8_t> out) override {
    if (ended_) {
      if (!in.empty()) throw DataFault{"bytes it does not use follow its stream"};
      return 0;
    }
    s_.next_in = const_cast<char*>(reinterpret_cast<const char*>(in.data()));
    s_.avail_in = static_cast<unsigned>(in.size());
    s_.next_out = reinterpret_cast<char*>(out.data());
    s_.avail_out = static_cast<unsigned>(out.size());
    int result = BZ2_bzDecompress(&s_);
    in = in.subspan(in.size() - s_.avail_in);
    if (result == BZ_STREAM_END)
      ended_ = true;
    else if (result != BZ_OK)
      throw DataFault{"libbz2 finds it damaged"};
    return out.size() - s_.avail_out;
  }
  bool ended() const override { return ended_; }

 private:
  bz_stream s_{};
  bool ended_ = false;
};

}  // namespace

std::unique_ptr<LibraryDecoder> make_bzip2_decoder() { return std::make_unique<Bzip2Decoder>(); }

}  // namespace sfxbind
