// Where an archive keeps its records, read through its end record and
// central directory the way ordinary ZIP tools read it.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "tools/sfxbind/byte_fields.h"

namespace sfxbind {

struct CentralEntry {
  std::string name;
  uint64_t local_header = 0;  // position of its local header in the file
  uint64_t offset_field = 0;  // position of the stored local header offset
  bool offset_field_is_64 = false;  // that offset sits in a ZIP64 extra field
};

struct ZipLayout {
  std::vector<CentralEntry> entries;
  uint64_t central_dir = 0;  // position in the file
  uint64_t end_record = 0;
  bool zip64 = false;  // a ZIP64 end record and its locator precede the end record
  uint64_t zip64_end_record = 0;
  uint64_t zip64_locator = 0;
};

// Offsets stored in the archive may count from a point other than the file's
// first byte (data put in front of it); the layout gives true positions.
// Throws BindError for anything that is not a readable single-part ZIP file.
ZipLayout read_zip_layout(const Bytes& archive);

}  // namespace sfxbind
