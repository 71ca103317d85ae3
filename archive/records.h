// The three ZIP records the walk recognises, read in place from the scanner's
// record buffer (little-endian fields at their on-disk offsets), and the
// current entry's name.
#pragma once
#include <cstdint>

#include "base/text.h"

inline constexpr uint16_t kSignatureWord = 0x4B50;  // "PK"
inline constexpr uint16_t kLocalHeaderType = 0x0403;
inline constexpr uint16_t kCentralHeaderType = 0x0201;
inline constexpr uint16_t kEndRecordType = 0x0605;

inline constexpr uint32_t kLocalHeaderFixed = 26;
inline constexpr uint32_t kCentralHeaderFixed = 42;
inline constexpr uint32_t kEndRecordFixed = 18;
inline constexpr uint32_t kRecordBufferSize = 1024;

// A 32-bit size or offset field with this value has its real value in a ZIP64 extra field.
inline constexpr uint32_t kZip64Marker = 0xFFFFFFFF;

inline constexpr uint16_t kFlagEncrypted = 0x0001;
inline constexpr uint16_t kFlagLargeWindow = 0x0002;
inline constexpr uint16_t kFlagLiteralTree = 0x0004;
inline constexpr uint16_t kFlagDataDescriptor = 0x0008;

inline uint16_t read_le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
inline uint32_t read_le32(const uint8_t* p) {
  return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}

struct LocalHeader {
  uint8_t bytes[30];
  uint16_t flags() const { return read_le16(bytes + 6); }
  uint16_t method() const { return read_le16(bytes + 8); }
  uint16_t mod_time() const { return read_le16(bytes + 10); }
  uint16_t mod_date() const { return read_le16(bytes + 12); }
  uint32_t crc32() const { return read_le32(bytes + 14); }
  uint32_t compressed_size() const { return read_le32(bytes + 18); }
  uint32_t uncompressed_size() const { return read_le32(bytes + 22); }
  uint16_t name_length() const { return read_le16(bytes + 26); }
  uint16_t extra_length() const { return read_le16(bytes + 28); }
};

struct CentralHeader {
  uint8_t bytes[46];
  uint16_t name_length() const { return read_le16(bytes + 28); }
  uint16_t extra_length() const { return read_le16(bytes + 30); }
  uint16_t comment_length() const { return read_le16(bytes + 32); }
};

struct EndRecord {
  uint8_t bytes[22];
  uint16_t comment_length() const { return read_le16(bytes + 20); }
};

template <class Record>
const Record& record_at(const uint8_t* record_buffer) {
  return *reinterpret_cast<const Record*>(record_buffer);
}

struct EntryName {
  char full_name[kPathCapacity];  // separators are the platform's own
  char drive[kDriveCapacity];
  char dir[kPartCapacity];
  char base_name[kPartCapacity];
  char ext[kPartCapacity];
  // The stored name cannot be extracted safely or at all (too long, a device
  // name or a colon on Windows, nothing left after confining it).
  bool unusable;
};

// The confined name ends with a separator.
bool is_directory_entry(const EntryName& name);
