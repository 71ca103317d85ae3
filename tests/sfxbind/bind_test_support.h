// Small helpers the binding tool's tests share.
#pragma once
#include <string>

#include "sfxbind/output/archive_rewrite.h"
#include "tests/support/test_paths.h"
#include "tests/support/zip_builder.h"

inline sfxbind::Bytes to_bytes(const std::string& text) { return sfxbind::Bytes(text.begin(), text.end()); }

inline std::string to_text(const sfxbind::Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

inline sfxbind::ZipLayout layout_of(const sfxbind::Bytes& bytes) {
  return sfxbind::read_zip_layout(sfxbind::MemorySource(bytes));
}

// An archive of two stored files and a directory, as ordinary tools write it.
inline std::string three_entry_archive() {
  return ZipBuilder()
      .add(stored_entry("a.txt", "first file"))
      .add(directory_entry("dir/"))
      .add(stored_entry("dir/b.txt", "second file, a little longer"))
      .bytes();
}

// The archive rewritten behind `front`, as the tool writes it.
inline std::string rewritten(const std::string& archive, const std::string& front = "") {
  using namespace sfxbind;
  TempDir dir;
  Bytes bytes = to_bytes(archive);
  MemorySource source(bytes);
  ZipLayout layout = read_zip_layout(source);
  RewritePlan plan = plan_rewrite(source, layout);
  AtomicOutput out((dir / "out").string());
  out.write(to_bytes(front));
  write_rewrite(source, layout, plan, out);
  out.commit(false);
  return read_file_bytes(dir / "out");
}
