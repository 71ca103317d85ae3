#include "sfxbind/output/recompress_entry.h"

#include <zlib.h>

#include "sfxbind/checks/data_check.h"
#include "sfxbind/codecs/library_decoder.h"

namespace sfxbind {

namespace {

// The decoded data of an entry a chunk at a time, with its CRC-32 and
// length. Throws DataFault where it does not decode or decodes to more than
// its size.
class DecodedChunks {
 public:
  DecodedChunks(const ByteSource& in, uint64_t data_at, const CentralEntry& c, Progress* progress)
      : in_(in),
        at_(data_at),
        left_(c.compressed_size),
        size_(c.uncompressed_size),
        progress_(progress),
        decoder_(make_library_decoder(c.method())) {}

  std::span<const uint8_t> next() {
    for (;;) {
      if (pending_.empty() && left_ > 0) refill();
      bool last = pending_.empty() && left_ == 0;
      size_t before = pending_.size();
      size_t n = decoder_->decode(pending_, output_);
      if (n > 0) {
        length_ += n;
        if (length_ > size_)
          throw DataFault{"it decodes to more than the " + std::to_string(size_) + " bytes its headers say"};
        crc_ = static_cast<uint32_t>(crc32(crc_, output_.data(), static_cast<uInt>(n)));
        return {output_.data(), n};
      }
      if (last) {
        if (!decoder_->ended()) throw DataFault{"it ends before its stream does"};
        return {};
      }
      if (pending_.size() == before && !pending_.empty())
        throw DataFault{"its decoder stops short of its end"};
    }
  }

  uint32_t crc() const { return crc_; }
  uint64_t length() const { return length_; }

 private:
  void refill() {
    size_t n = static_cast<size_t>(std::min<uint64_t>(input_.size(), left_));
    if (in_.read_into(at_, input_.data(), n) != n) damaged("it ends inside an entry's data");
    at_ += n;
    left_ -= n;
    done_ += n;
    pending_ = {input_.data(), n};
    if (progress_) progress_->entry_part(done_);
  }

  const ByteSource& in_;
  uint64_t at_, left_, size_;
  Progress* progress_;
  std::unique_ptr<LibraryDecoder> decoder_;
  Bytes input_ = Bytes(kChunk), output_ = Bytes(kChunk);
  std::span<const uint8_t> pending_;
  uint64_t done_ = 0, length_ = 0;
  uint32_t crc_ = 0;
};

}  // namespace

std::optional<std::string> recompress_entry(const ByteSource& in, uint64_t data_at, const CentralEntry& c,
                                            EntryEncoder* encoder, AtomicOutput& out, Encoded& written,
                                            Progress* progress) {
  std::unique_ptr<DecodedChunks> chunks;
  auto open = [&]() -> ChunkPull {
    chunks = std::make_unique<DecodedChunks>(in, data_at, c, progress);
    return [&chunks] { return chunks->next(); };
  };
  uint16_t method = c.method();
  try {
    written = write_entry_data(encoder, open, c.uncompressed_size, out);
  } catch (const DataFault& fault) {
    return does_not_decode(method, fault.why);
  }
  if (chunks->crc() != c.header().crc32()) return crc_mismatch(c.header().crc32(), chunks->crc());
  if (chunks->length() != c.uncompressed_size) return size_mismatch(c.uncompressed_size, chunks->length());
  return std::nullopt;
}

}  // namespace sfxbind
