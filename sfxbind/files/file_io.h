// The output file, written as a stream into a temporary file beside it and
// renamed over it only when complete, so a failure never leaves half an
// output.
#pragma once
#include <cstdint>
#include <cstdio>
#include <span>
#include <string>

#include "sfxbind/byte_fields.h"

namespace sfxbind {

class AtomicOutput {
 public:
  // Throws BindError "cannot write PATH: why".
  explicit AtomicOutput(const std::string& path);
  // Removes the temporary file unless commit() succeeded.
  ~AtomicOutput();
  AtomicOutput(const AtomicOutput&) = delete;
  AtomicOutput& operator=(const AtomicOutput&) = delete;

  uint64_t position() const { return position_; }
  // A write that would take the output past `limit` bytes throws BindError `why`.
  void limit_size(uint64_t limit, const std::string& why);
  void write(std::span<const uint8_t> bytes);
  // Goes back to `at`, an earlier position; what follows is written over.
  void rewind(uint64_t at);
  // Overwrites bytes written earlier at `at`; the position stays.
  void patch(uint64_t at, std::span<const uint8_t> bytes);
  // Reads back bytes written earlier at `at`; the position stays.
  void read_back(uint64_t at, std::span<uint8_t> into);
  // Closes the file and renames it over the output. `executable` adds the
  // execute bits wherever the read bits are set.
  void commit(bool executable);

 private:
  [[noreturn]] void fail(const std::string& why);

  std::string path_;
  std::string temporary_;
  std::FILE* file_ = nullptr;
  uint64_t position_ = 0;
  uint64_t end_ = 0;  // the furthest position written
  uint64_t limit_ = UINT64_MAX;
  std::string limit_reason_;
  bool committed_ = false;
};

// True when the two paths name the same existing file.
bool same_file(const std::string& a, const std::string& b);

}  // namespace sfxbind
