// Random access to the input without holding it in memory: an archive file
// is read a record at a time and its entries' data copied in chunks.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>

#include "sfxbind/byte_fields.h"

namespace sfxbind {

// How much of an entry's data the tool holds at a time.
inline constexpr size_t kChunk = 1 << 20;

class ByteSource {
 public:
  virtual ~ByteSource() = default;
  virtual uint64_t size() const = 0;
  // Reads up to `count` bytes at `at` into `out`; returns how many were read.
  virtual size_t read_into(uint64_t at, uint8_t* out, size_t count) const = 0;
  // The file it reads, when it reads one.
  virtual const std::string* path() const { return nullptr; }

  // Exactly `count` bytes at `at`; throws BindError "damaged ZIP file: ..."
  // when the file ends before them.
  Bytes read(uint64_t at, size_t count) const;
  // True when "PK" + `type` stands at `at`.
  bool has_signature(uint64_t at, uint16_t type) const;
};

class MemorySource : public ByteSource {
 public:
  explicit MemorySource(const Bytes& bytes) : bytes_(bytes) {}
  uint64_t size() const override { return bytes_.size(); }
  size_t read_into(uint64_t at, uint8_t* out, size_t count) const override;

 private:
  const Bytes& bytes_;
};

// A file opened for reading; small reads are served from one cached block.
class FileSource : public ByteSource {
 public:
  // Throws BindError "cannot read PATH: why".
  explicit FileSource(const std::string& path);
  ~FileSource() override;
  FileSource(const FileSource&) = delete;
  FileSource& operator=(const FileSource&) = delete;

  uint64_t size() const override { return size_; }
  size_t read_into(uint64_t at, uint8_t* out, size_t count) const override;
  const std::string* path() const override { return &path_; }

 private:
  size_t read_direct(uint64_t at, uint8_t* out, size_t count) const;

  std::string path_;
  std::FILE* file_ = nullptr;
  uint64_t size_ = 0;
  mutable Bytes block_;
  mutable uint64_t block_at_ = 0;
};

}  // namespace sfxbind
