// Entries whose names meet where the self-extractor writes them: two of one
// name, a file where another entry needs a directory, and on Windows names
// that differ only in case. Names are compared as the stub writes them
// (decoded and confined by its own rules), then as the target's file system
// compares them.
#pragma once
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "sfxbind/byte_fields.h"
#include "sfxbind/checks/findings.h"
#include "sfxbind/input/zip_layout.h"

namespace sfxbind {

// The path below the target the stub writes an entry to: '/' between levels,
// without a trailing '/'; empty for a name the stub does not write (the
// target itself, or a name its rules refuse).
std::string written_name(std::string_view stored, uint16_t flags, std::string_view extra);

// The same from a header as stored: a local header (fixed part, name, extra
// field), or an entry's central header.
std::string written_name(const Bytes& local);
std::string written_name(const CentralEntry& entry);

// `written` as the stub's file system compares names: without case on Windows.
std::string compared_name(const std::string& written, StubKind stub);

class NameCollisions {
 public:
  explicit NameCollisions(StubKind stub) : stub_(stub) {}
  // `local` is the local header the stub walks to: fixed part, name, extra field.
  void add(const Bytes& local);
  // A refusal for every entry that meets an earlier one or needs a file as a directory.
  void report(Findings& out) const;

 private:
  struct Named {
    std::string stored;
    std::string written;
    bool directory;
  };
  StubKind stub_;
  std::vector<Named> entries_;
};

}  // namespace sfxbind
