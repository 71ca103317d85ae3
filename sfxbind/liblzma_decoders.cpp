// XZ entries (method 95, a whole .xz stream) and LZMA entries (method 14:
// a 4-byte header, 5 property bytes, a raw LZMA1 stream ending at an end
// marker or at the entry's size) through liblzma.
#include <lzma.h>

#include <algorithm>
#include <cstdlib>

#include "sfxbind/byte_fields.h"
#include "sfxbind/library_decoder.h"

namespace sfxbind {

namespace {

// What a dictionary may take: far more than any writer's largest preset.
constexpr uint64_t kMemoryLimit = uint64_t{1} << 30;
constexpr size_t kZipLzmaHeader = 4, kPropertiesSize = 5;

class LiblzmaDecoder : public LibraryDecoder {
 public:
  LiblzmaDecoder() = default;
  ~LiblzmaDecoder() override { lzma_end(&s_); }
  LiblzmaDecoder(const LiblzmaDecoder&) = delete;
  LiblzmaDecoder& operator=(const LiblzmaDecoder&) = delete;

  size_t decode(std::span<const uint8_t>& in, std::span<uint8_t> out) override {
    if (!started_ && !(started_ = start(in))) return 0;
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
      too_large();
    else if (result != LZMA_OK && result != LZMA_BUF_ERROR)
      throw DataFault{"liblzma finds it damaged"};
    return out.size() - s_.avail_out;
  }
  bool ended() const override { return ended_; }

 protected:
  // Starts the decoder once its header is in; false while it needs more
  // than `in` holds (all of which it then took).
  virtual bool start(std::span<const uint8_t>& in) = 0;

  [[noreturn]] static void too_large() {
    throw DataFault{"its dictionary needs more than the 1 GiB sfxbind gives a decoder"};
  }
  static void check_started(lzma_ret result) {
    if (result == LZMA_MEM_ERROR) throw BindError("liblzma: out of memory");
    if (result != LZMA_OK) throw DataFault{"liblzma finds its header damaged"};
  }

  lzma_stream s_ = LZMA_STREAM_INIT;

 private:
  bool started_ = false, ended_ = false;
};

class XzDecoder : public LiblzmaDecoder {
  bool start(std::span<const uint8_t>&) override {
    check_started(lzma_stream_decoder(&s_, kMemoryLimit, 0));
    return true;
  }
};

class ZipLzmaDecoder : public LiblzmaDecoder {
 public:
  explicit ZipLzmaDecoder(uint64_t size) : size_(size) {}

 private:
  bool start(std::span<const uint8_t>& in) override {
    if (!take(in, kZipLzmaHeader)) return false;
    if (uint16_t n = read_le16(&header_[2]); n != kPropertiesSize)
      throw DataFault{"its LZMA properties take " + std::to_string(n) + " bytes, not 5"};
    if (!take(in, kZipLzmaHeader + kPropertiesSize)) return false;
    lzma_filter filters[] = {{LZMA_FILTER_LZMA1EXT, nullptr}, {LZMA_VLI_UNKNOWN, nullptr}};
    check_started(lzma_properties_decode(&filters[0], nullptr, &header_[kZipLzmaHeader], kPropertiesSize));
    auto* options = static_cast<lzma_options_lzma*>(filters[0].options);
    options->ext_flags = LZMA_LZMA1EXT_ALLOW_EOPM;  // a marker may follow the last byte, or not
    options->ext_size_low = static_cast<uint32_t>(size_);
    options->ext_size_high = static_cast<uint32_t>(size_ >> 32);
    uint32_t dictionary = options->dict_size;
    lzma_ret result = dictionary > kMemoryLimit ? LZMA_OK : lzma_raw_decoder(&s_, filters);
    std::free(options);
    if (dictionary > kMemoryLimit) too_large();
    check_started(result);
    return true;
  }

  // Moves bytes of `in` into the header until it holds `n`; true once it does.
  bool take(std::span<const uint8_t>& in, size_t n) {
    size_t k = std::min(in.size(), n - std::min(n, header_.size()));
    header_.insert(header_.end(), in.begin(), in.begin() + static_cast<ptrdiff_t>(k));
    in = in.subspan(k);
    return header_.size() >= n;
  }

  uint64_t size_;
  Bytes header_;
};

}  // namespace

std::unique_ptr<LibraryDecoder> make_xz_decoder() { return std::make_unique<XzDecoder>(); }
std::unique_ptr<LibraryDecoder> make_zip_lzma_decoder(uint64_t uncompressed_size) {
  return std::make_unique<ZipLzmaDecoder>(uncompressed_size);
}

}  // namespace sfxbind
