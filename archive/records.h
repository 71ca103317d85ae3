// The three ZIP records the walk recognises, read in place from the scanner's
// record buffer (little-endian fields at their on-disk offsets), and the
// current entry's name.
#pragma once
#include <cstdint>

#include "archive/name_rules.h"
#include "base/text.h"

inline constexpr uint16_t kSignatureWord = 0x4B50;  // "PK"
inline constexpr uint16_t kLocalHeaderType = 0x0403;
inline constexpr uint16_t kCentralHeaderType = 0x0201;
inline constexpr uint16_t kEndRecordType = 0x0605;
inline constexpr uint16_t kZip64EndType = 0x0606;
inline constexpr uint16_t kZip64LocatorType = 0x0706;

inline constexpr uint32_t kLocalHeaderFixed = 26;
inline constexpr uint32_t kCentralHeaderFixed = 42;
inline constexpr uint32_t kEndRecordFixed = 18;
inline constexpr uint32_t kZip64EndFixed = 8;  // the size of the rest of the record
inline constexpr uint32_t kZip64LocatorFixed = 16;
inline constexpr uint32_t kRecordBufferSize = 1024;

// A 32-bit size or offset field with this value has its real value in a ZIP64 extra field.
inline constexpr uint32_t kZip64Marker = 0xFFFFFFFF;
// The extra field's ZIP64 extended information field.
inline constexpr uint16_t kZip64ExtraId = 0x0001;
// Exact file times: NTFS FILETIMEs and the extended timestamp's Unix seconds.
inline constexpr uint16_t kNtfsTimesExtraId = 0x000A;
inline constexpr uint16_t kExtendedTimestampExtraId = 0x5455;

inline constexpr uint16_t kFlagEncrypted = 0x0001;
inline constexpr uint16_t kFlagLargeWindow = 0x0002;
inline constexpr uint16_t kFlagLiteralTree = 0x0004;
inline constexpr uint16_t kFlagDataDescriptor = 0x0008;

inline uint16_t read_le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
inline uint32_t read_le32(const uint8_t* p) {
  return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}
inline uint64_t read_le64(const uint8_t* p) { return read_le32(p) | uint64_t{read_le32(p + 4)} << 32; }

// Field offsets from each record's signature; the binding tool writes the
// fields that the readers below read.
namespace local_field {
inline constexpr unsigned kVersionNeeded = 4, kFlags = 6, kMethod = 8, kModTime = 10, kModDate = 12,
                          kCrc32 = 14, kCompressedSize = 18, kUncompressedSize = 22, kNameLength = 26,
                          kExtraLength = 28;
}  // namespace local_field
namespace central_field {
inline constexpr unsigned kVersionMadeBy = 4, kVersionNeeded = 6, kFlags = 8, kCrc32 = 16,
                          kCompressedSize = 20, kUncompressedSize = 24, kNameLength = 28, kExtraLength = 30,
                          kCommentLength = 32, kExternalAttributes = 38, kLocalHeaderOffset = 42;
}  // namespace central_field
namespace end_field {
inline constexpr unsigned kDiskNumber = 4, kCentralDirDisk = 6, kEntriesTotal = 10, kCentralDirSize = 12,
                          kCentralDirOffset = 16, kCommentLength = 20;
}  // namespace end_field

struct LocalHeader {
  uint8_t bytes[30];
  uint16_t flags() const { return read_le16(bytes + local_field::kFlags); }
  uint16_t method() const { return read_le16(bytes + local_field::kMethod); }
  uint16_t mod_time() const { return read_le16(bytes + local_field::kModTime); }
  uint16_t mod_date() const { return read_le16(bytes + local_field::kModDate); }
  uint32_t crc32() const { return read_le32(bytes + local_field::kCrc32); }
  uint32_t compressed_size() const { return read_le32(bytes + local_field::kCompressedSize); }
  uint32_t uncompressed_size() const { return read_le32(bytes + local_field::kUncompressedSize); }
  uint16_t name_length() const { return read_le16(bytes + local_field::kNameLength); }
  uint16_t extra_length() const { return read_le16(bytes + local_field::kExtraLength); }
};

// The stub only skips it; the binding tool reads the rest.
struct CentralHeader {
  uint8_t bytes[46];
  uint8_t host_system() const { return bytes[central_field::kVersionMadeBy + 1]; }
  uint16_t flags() const { return read_le16(bytes + central_field::kFlags); }
  uint32_t crc32() const { return read_le32(bytes + central_field::kCrc32); }
  uint32_t compressed_size() const { return read_le32(bytes + central_field::kCompressedSize); }
  uint32_t uncompressed_size() const { return read_le32(bytes + central_field::kUncompressedSize); }
  uint16_t name_length() const { return read_le16(bytes + central_field::kNameLength); }
  uint16_t extra_length() const { return read_le16(bytes + central_field::kExtraLength); }
  uint16_t comment_length() const { return read_le16(bytes + central_field::kCommentLength); }
  uint32_t external_attributes() const { return read_le32(bytes + central_field::kExternalAttributes); }
  uint32_t local_header_offset() const { return read_le32(bytes + central_field::kLocalHeaderOffset); }
};

struct EndRecord {
  uint8_t bytes[22];
  uint16_t disk_number() const { return read_le16(bytes + end_field::kDiskNumber); }
  uint16_t central_dir_disk() const { return read_le16(bytes + end_field::kCentralDirDisk); }
  uint16_t entries_total() const { return read_le16(bytes + end_field::kEntriesTotal); }
  uint32_t central_dir_size() const { return read_le32(bytes + end_field::kCentralDirSize); }
  uint32_t central_dir_offset() const { return read_le32(bytes + end_field::kCentralDirOffset); }
  uint16_t comment_length() const { return read_le16(bytes + end_field::kCommentLength); }
};

template <class Record>
const Record& record_at(const uint8_t* record_buffer) {
  return *reinterpret_cast<const Record*>(record_buffer);
}

struct EntryName {
  char full_name[kLongPathCapacity];  // separators are the platform's own
  // Nothing is written under the name (see name_rules.h for why); the name
  // is only shown. A directory name with nothing left ("./", "/", "../") is
  // usable: it names the target itself, and full_name is empty.
  bool unusable;
  NameProblem problem;
};

// The confined name ends with a separator.
bool is_directory_entry(const EntryName& name);

// A directory entry naming the target itself.
inline bool names_target(const EntryName& name) { return name.full_name[0] == '\0' && !name.unusable; }
