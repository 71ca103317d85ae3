// Small helpers the binding tool's tests share.
#pragma once
#include <string>

#include "tests/support/zip_builder.h"
#include "tools/sfxbind/byte_fields.h"

inline sfxbind::Bytes to_bytes(const std::string& text) { return sfxbind::Bytes(text.begin(), text.end()); }

inline std::string to_text(const sfxbind::Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

// An archive of two stored files and a directory, as ordinary tools write it.
inline std::string three_entry_archive() {
  return ZipBuilder()
      .add(stored_entry("a.txt", "first file"))
      .add(directory_entry("dir/"))
      .add(stored_entry("dir/b.txt", "second file, a little longer"))
      .bytes();
}
