// Where an archive keeps its records and what its central directory says
// about each entry, read through the end record the way ordinary ZIP tools
// read it.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "sfxbind/input/byte_source.h"

namespace sfxbind {

inline constexpr uint64_t kCentralHeaderSize = sizeof(CentralHeader);
inline constexpr uint64_t kLocalHeaderSize = sizeof(LocalHeader);
inline constexpr uint64_t kEndRecordSize = sizeof(EndRecord);
inline constexpr uint64_t kZip64LocatorSize = 20;
inline constexpr uint64_t kZip64EndSize = 56;
inline constexpr size_t kCentralMethodField = 10;

// Throws BindError "damaged ZIP file: `what`".
[[noreturn]] void damaged(const std::string& what);

struct CentralEntry {
  Bytes record;  // the central header as stored: fixed part, name, extra field, comment
  std::string name;
  uint64_t local_header = 0;  // position of its local header in the file
  // The ZIP64 values where the 32-bit fields defer to them.
  uint64_t compressed_size = 0;
  uint64_t uncompressed_size = 0;
  bool offset_field_is_64 = false;  // that offset sits in a ZIP64 extra field

  const CentralHeader& header() const { return record_at<CentralHeader>(record.data()); }
  uint16_t method() const { return read_le16(&record[kCentralMethodField]); }
  // MS-DOS directory attribute, or a Unix directory mode from a Unix system,
  // or a name ending in a separator.
  bool is_directory() const;
};

struct ZipLayout {
  std::vector<CentralEntry> entries;  // in central directory order
  uint64_t base = 0;                  // where the stored offsets count from
  uint64_t central_dir = 0;           // position in the file
  uint64_t end_record = 0;
  Bytes end_bytes;     // the end record with its comment
  bool zip64 = false;  // a ZIP64 end record and its locator precede the end record
  uint64_t zip64_end_record = 0;
  uint64_t zip64_locator = 0;
  Bytes zip64_end_bytes;  // the ZIP64 end record with its extensible data
};

// Offsets stored in the archive may count from a point other than the file's
// first byte (data put in front of it); the layout gives true positions.
// Throws BindError for anything that is not a readable single-part ZIP file.
ZipLayout read_zip_layout(const ByteSource& archive);

// The local header at `at` as stored: fixed part, name and extra field.
// Throws BindError "damaged ZIP file: ..." when the file ends inside it.
Bytes read_local_header(const ByteSource& archive, uint64_t at);
// The central header at `at`: fixed part, name, extra field and comment.
Bytes read_central_header(const ByteSource& archive, uint64_t at);

// The entries' indices in the order of their local headers in the file.
std::vector<size_t> local_header_order(const ZipLayout& layout);

}  // namespace sfxbind
