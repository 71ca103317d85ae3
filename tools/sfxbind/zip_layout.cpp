#include "tools/sfxbind/zip_layout.h"

#include <optional>

namespace sfxbind {

namespace {

constexpr uint16_t kZip64EndType = 0x0606;
constexpr uint16_t kZip64LocatorType = 0x0706;
constexpr uint16_t kZip64ExtraId = 0x0001;
constexpr uint64_t kEndRecordSize = 22;
constexpr uint64_t kLocatorSize = 20;
constexpr uint64_t kZip64EndSize = 56;
constexpr uint64_t kCentralSize = 46;
constexpr uint32_t kZip64Marker = 0xFFFFFFFF;

[[noreturn]] void damaged(const std::string& what) { throw BindError("damaged ZIP file: " + what); }

// The end record nearest the end whose comment reaches exactly to the end of
// the file; failing that, the last one that fits (data follows the archive).
std::optional<uint64_t> find_end_record(const Bytes& a) {
  if (a.size() < kEndRecordSize) return std::nullopt;
  uint64_t last = a.size() - kEndRecordSize;
  uint64_t first = last > 0xFFFF ? last - 0xFFFF : 0;
  std::optional<uint64_t> fitting;
  for (uint64_t at = last + 1; at-- > first;) {
    if (!has_signature(a, at, kEndRecordType)) continue;
    uint64_t end = at + kEndRecordSize + read_le16(&a[at + 20]);
    if (end == a.size()) return at;
    if (end < a.size() && !fitting) fitting = at;
  }
  return fitting;
}

struct DirectoryPlace {
  uint64_t count;
  uint64_t size;
  uint64_t stored_offset;
  uint64_t ends_at;  // the record that follows the central directory
};

DirectoryPlace zip64_place(const Bytes& a, ZipLayout& layout) {
  layout.zip64 = true;
  layout.zip64_locator = layout.end_record - kLocatorSize;
  // Where the locator says, or right before the locator when the offsets count
  // from elsewhere.
  uint64_t at = read_le64(&a[layout.zip64_locator + 8]);
  if (!has_signature(a, at, kZip64EndType) && layout.zip64_locator >= kZip64EndSize)
    at = layout.zip64_locator - kZip64EndSize;
  if (!has_signature(a, at, kZip64EndType) || at + kZip64EndSize > layout.zip64_locator)
    damaged("the ZIP64 end record is missing");
  if (read_le32(&a[at + 16]) != 0 || read_le32(&a[at + 20]) != 0 || read_le32(&a[layout.zip64_locator + 16]) > 1)
    throw BindError("split ZIP archives (several parts) are not supported");
  layout.zip64_end_record = at;
  return {read_le64(&a[at + 32]), read_le64(&a[at + 40]), read_le64(&a[at + 48]), at};
}

DirectoryPlace directory_place(const Bytes& a, ZipLayout& layout) {
  if (layout.end_record >= kLocatorSize && has_signature(a, layout.end_record - kLocatorSize, kZip64LocatorType))
    return zip64_place(a, layout);
  const uint8_t* end = &a[layout.end_record];
  if (read_le16(end + 4) != 0 || read_le16(end + 6) != 0)
    throw BindError("split ZIP archives (several parts) are not supported");
  return {read_le16(end + 10), read_le32(end + 12), read_le32(end + 16), layout.end_record};
}

// The stored local header offset, from the ZIP64 extra field when the
// 32-bit field says so; `field` receives where it is stored.
uint64_t stored_local_offset(const Bytes& a, uint64_t header, uint64_t extra_end, uint64_t& field, bool& wide) {
  const uint8_t* h = &a[header];
  field = header + 42;
  wide = false;
  if (read_le32(h + 42) != kZip64Marker) return read_le32(h + 42);
  uint64_t at = header + kCentralSize + read_le16(h + 28);
  while (at + 4 <= extra_end) {
    uint16_t id = read_le16(&a[at]);
    uint64_t length = read_le16(&a[at + 2]);
    if (id == kZip64ExtraId) {
      // Its 64-bit values come in a fixed order, each only where the 32-bit field is full.
      uint64_t skip = 8 * ((read_le32(h + 24) == kZip64Marker) + (read_le32(h + 20) == kZip64Marker));
      if (skip + 8 > length || at + 4 + length > extra_end) break;
      field = at + 4 + skip;
      wide = true;
      return read_le64(&a[field]);
    }
    at += 4 + length;
  }
  damaged("a ZIP64 local header offset is missing from the central directory");
}

}  // namespace

ZipLayout read_zip_layout(const Bytes& a) {
  std::optional<uint64_t> end = find_end_record(a);
  if (!end) {
    if (has_signature(a, 0, kLocalHeaderType)) throw BindError("truncated or damaged ZIP file: its end record is missing");
    throw BindError("not a ZIP file");
  }
  ZipLayout layout;
  layout.end_record = *end;
  DirectoryPlace place = directory_place(a, layout);
  if (place.size > place.ends_at) damaged("the central directory does not fit in the file");
  layout.central_dir = place.ends_at - place.size;
  // Offsets count from `base`: 0 unless data was put in front of the archive
  // without correcting them.
  if (place.stored_offset > layout.central_dir) damaged("the central directory is not where the end record says");
  uint64_t base = layout.central_dir - place.stored_offset;

  uint64_t at = layout.central_dir;
  for (uint64_t i = 0; i < place.count; ++i) {
    if (at + kCentralSize > place.ends_at || !has_signature(a, at, kCentralHeaderType))
      damaged("the central directory is cut short");
    const uint8_t* h = &a[at];
    uint64_t next = at + kCentralSize + read_le16(h + 28) + read_le16(h + 30) + read_le16(h + 32);
    if (next > place.ends_at) damaged("the central directory is cut short");
    CentralEntry entry;
    entry.name.assign(reinterpret_cast<const char*>(h + kCentralSize), read_le16(h + 28));
    uint64_t extra_end = at + kCentralSize + read_le16(h + 28) + read_le16(h + 30);
    entry.local_header = base + stored_local_offset(a, at, extra_end, entry.offset_field, entry.offset_field_is_64);
    if (!has_signature(a, entry.local_header, kLocalHeaderType) || a.size() - entry.local_header < 30)
      damaged("the local header of " + entry.name + " is missing");
    layout.entries.push_back(std::move(entry));
    at = next;
  }
  return layout;
}

}  // namespace sfxbind
