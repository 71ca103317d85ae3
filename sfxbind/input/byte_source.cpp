#include "sfxbind/input/byte_source.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "sfxbind/files/file_position.h"
#include "sfxbind/files/native_path.h"

namespace sfxbind {

namespace {

constexpr size_t kBlockSize = 64 * 1024;

}  // namespace

Bytes ByteSource::read(uint64_t at, size_t count) const {
  Bytes out(count);
  if (at > size() || size() - at < count || (count > 0 && read_into(at, out.data(), count) != count))
    throw BindError("damaged ZIP file: it ends inside a record");
  return out;
}

bool ByteSource::has_signature(uint64_t at, uint16_t type) const {
  uint8_t s[4];
  return at < size() && read_into(at, s, 4) == 4 && read_le16(s) == kSignatureWord &&
         read_le16(s + 2) == type;
}

size_t MemorySource::read_into(uint64_t at, uint8_t* out, size_t count) const {
  if (count == 0 || at >= bytes_.size()) return 0;
  size_t n = static_cast<size_t>(std::min<uint64_t>(count, bytes_.size() - at));
  std::memcpy(out, &bytes_[at], n);
  return n;
}

FileSource::FileSource(const std::string& path) : path_(path) {
  file_ = open_file(path, "rb");
  if (!file_) throw BindError("cannot read " + path + ": " + std::strerror(errno));
  int64_t end = size_by_seeking(file_);
  if (end < 0) {
    int error = errno;
    std::fclose(file_);
    throw BindError("cannot read " + path + ": " + std::strerror(error));
  }
  size_ = static_cast<uint64_t>(end);
}

FileSource::~FileSource() { std::fclose(file_); }

size_t FileSource::read_direct(uint64_t at, uint8_t* out, size_t count) const {
  if (!seek_to(file_, at)) throw BindError("cannot read " + path_ + ": " + std::strerror(errno));
  size_t n = std::fread(out, 1, count, file_);
  if (n < count && std::ferror(file_)) throw BindError("cannot read " + path_ + ": " + std::strerror(errno));
  return n;
}

size_t FileSource::read_into(uint64_t at, uint8_t* out, size_t count) const {
  if (count == 0 || at >= size_) return 0;
  count = static_cast<size_t>(std::min<uint64_t>(count, size_ - at));
  if (count >= kBlockSize) return read_direct(at, out, count);
  if (at < block_at_ || at + count > block_at_ + block_.size()) {
    block_.resize(kBlockSize);
    block_.resize(read_direct(at, block_.data(), kBlockSize));
    block_at_ = at;
  }
  size_t n = static_cast<size_t>(std::min<uint64_t>(count, block_at_ + block_.size() - at));
  std::memcpy(out, &block_[at - block_at_], n);
  return n;
}

}  // namespace sfxbind
