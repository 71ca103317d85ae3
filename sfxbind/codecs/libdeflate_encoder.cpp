// Deflate through libdeflate: smaller than zlib at the same speed, but it
// takes whole buffers, so an entry is held in memory up to a size; larger
// ones go through zlib's stream.
#include <libdeflate.h>

#include <algorithm>

#include "sfxbind/codecs/entry_encoder.h"

namespace sfxbind {

namespace {

constexpr uint64_t kWholeEntryLimit = uint64_t{64} << 20;
constexpr int kZlibHighestLevel = 9;

class LibdeflateEncoder : public EntryEncoder {
 public:
  explicit LibdeflateEncoder(int level)
      : compressor_(libdeflate_alloc_compressor(level)),
        stream_(make_zlib_encoder(std::min(level, kZlibHighestLevel))) {
    if (!compressor_) throw BindError("libdeflate: out of memory");
  }
  ~LibdeflateEncoder() override { libdeflate_free_compressor(compressor_); }
  LibdeflateEncoder(const LibdeflateEncoder&) = delete;
  LibdeflateEncoder& operator=(const LibdeflateEncoder&) = delete;

  std::optional<Encoded> encode(const ChunkPull& next, uint64_t size, AtomicOutput& out) override {
    if (size > kWholeEntryLimit) return stream_->encode(next, size, out);
    input_.clear();
    input_.reserve(static_cast<size_t>(size));
    for (auto chunk = next(); !chunk.empty(); chunk = next())
      input_.insert(input_.end(), chunk.begin(), chunk.end());
    // Room for one byte less than the data: libdeflate gives 0 where it would not fit.
    output_.resize(static_cast<size_t>(size - 1));
    size_t n = libdeflate_deflate_compress(compressor_, input_.data(), input_.size(), output_.data(),
                                           output_.size());
    if (n == 0) return std::nullopt;
    out.write({output_.data(), n});
    return Encoded{kMethodDeflate, 0, n};
  }

 private:
  libdeflate_compressor* compressor_;
  std::unique_ptr<EntryEncoder> stream_;
  Bytes input_, output_;
};

}  // namespace

std::unique_ptr<EntryEncoder> make_libdeflate_encoder(int level) {
  return std::make_unique<LibdeflateEncoder>(level);
}

}  // namespace sfxbind
