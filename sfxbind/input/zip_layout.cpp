#include "sfxbind/input/zip_layout.h"

#include <algorithm>
#include <numeric>
#include <optional>

#include "platform/files.h"
#include "sfxbind/output/zip64_records.h"

namespace sfxbind {

void damaged(const std::string& what) { throw BindError("damaged ZIP file: " + what); }

namespace {

constexpr uint16_t kUnixHost = 3;
constexpr uint32_t kDosDirectoryAttribute = 0x10;
// No writer puts more than a few records in a ZIP64 end record's extensible data.
constexpr uint64_t kLargestZip64End = 1 << 20;
constexpr uint32_t kUnixTypeMask = 0170000, kUnixDirectory = 0040000;

// The end record nearest the end whose comment reaches exactly to the end of
// the file; failing that, the last one that fits (data follows the archive).
// Fills in where it is and its bytes.
bool find_end_record(const ByteSource& a, ZipLayout& layout) {
  if (a.size() < kEndRecordSize) return false;
  uint64_t tail_at = a.size() > kEndRecordSize + 0xFFFF ? a.size() - kEndRecordSize - 0xFFFF : 0;
  Bytes tail = a.read(tail_at, static_cast<size_t>(a.size() - tail_at));
  std::optional<std::pair<size_t, size_t>> fitting;  // where it is and where it ends in `tail`
  for (size_t at = tail.size() - kEndRecordSize + 1; at-- > 0;) {
    if (!has_signature(tail, at, kEndRecordType)) continue;
    size_t end = at + kEndRecordSize + record_at<EndRecord>(&tail[at]).comment_length();
    if (end == tail.size() || (end < tail.size() && !fitting)) fitting = {at, end};
    if (end == tail.size()) break;
  }
  if (!fitting) return false;
  layout.end_record = tail_at + fitting->first;
  layout.end_bytes.assign(tail.begin() + static_cast<ptrdiff_t>(fitting->first),
                          tail.begin() + static_cast<ptrdiff_t>(fitting->second));
  return true;
}

struct DirectoryPlace {
  uint64_t count;
  uint64_t size;
  uint64_t stored_offset;
  uint64_t ends_at;  // the record that follows the central directory
};

DirectoryPlace zip64_place(const ByteSource& a, ZipLayout& layout) {
  layout.zip64 = true;
  layout.zip64_locator = layout.end_record - kZip64LocatorSize;
  Bytes locator = a.read(layout.zip64_locator, kZip64LocatorSize);
  // Where the locator says, or right before the locator when the offsets count
  // from elsewhere.
  uint64_t at = read_le64(&locator[8]);
  if (!a.has_signature(at, kZip64EndType) && layout.zip64_locator >= kZip64EndSize)
    at = layout.zip64_locator - kZip64EndSize;
  if (!a.has_signature(at, kZip64EndType) || at + kZip64EndSize > layout.zip64_locator)
    damaged("the ZIP64 end record is missing");
  // With its extensible data, as long as it says and the room allows.
  uint64_t room = layout.zip64_locator - at;
  uint64_t length = 12 + read_le64(&a.read(at, 12)[4]);
  Bytes& end = layout.zip64_end_bytes;
  const bool length_holds = length <= room && length >= kZip64EndSize;
  if (length_holds && length > kLargestZip64End)
    damaged("its ZIP64 end record claims " + std::to_string(length) + " bytes of extensible data");
  end = a.read(at, static_cast<size_t>(length_holds ? length : kZip64EndSize));
  // Copied as it stands, a length that does not hold would mislead every reader.
  if (!length_holds) write_le64(&end[4], kZip64EndSize - 12);
  if (read_le32(&end[16]) != 0 || read_le32(&end[20]) != 0 || read_le32(&locator[16]) > 1)
    throw BindError("split ZIP archives (several parts) are not supported");
  layout.zip64_end_record = at;
  return {read_le64(&end[32]), read_le64(&end[40]), read_le64(&end[48]), at};
}

DirectoryPlace directory_place(const ByteSource& a, ZipLayout& layout) {
  if (layout.end_record >= kZip64LocatorSize &&
      a.has_signature(layout.end_record - kZip64LocatorSize, kZip64LocatorType))
    return zip64_place(a, layout);
  const EndRecord& end = record_at<EndRecord>(layout.end_bytes.data());
  if (end.disk_number() != 0 || end.central_dir_disk() != 0)
    throw BindError("split ZIP archives (several parts) are not supported");
  return {end.entries_total(), end.central_dir_size(), end.central_dir_offset(), layout.end_record};
}

// Fills the entry's sizes and stored local header offset, taking each from
// the ZIP64 extra field where its 32-bit field says so; returns the offset.
uint64_t read_sizes_and_offset(CentralEntry& e) {
  const uint8_t* h = e.record.data();
  const CentralHeader& c = e.header();
  constexpr size_t kOffsetField = central_field::kLocalHeaderOffset;
  uint32_t fields[3] = {c.uncompressed_size(), c.compressed_size(), c.local_header_offset()};  // ZIP64 order
  uint64_t values[3] = {fields[0], fields[1], fields[2]};
  size_t places[3] = {0, 0, kOffsetField};
  size_t at = kCentralHeaderSize + c.name_length();
  size_t extra_end = at + c.extra_length();
  bool found = false;
  while (!found && at + 4 <= extra_end) {
    uint16_t id = read_le16(h + at);
    size_t length = read_le16(h + at + 2);
    if (at + 4 + length > extra_end) break;
    if (id == kZip64ExtraId) {
      found = true;
      // Its 64-bit values come in a fixed order, each only where the 32-bit field is full.
      size_t value_at = at + 4;
      for (int i = 0; i < 3; ++i) {
        if (fields[i] != kZip64Marker) continue;
        if (value_at + 8 > at + 4 + length) break;
        values[i] = read_le64(h + value_at);
        places[i] = value_at;
        value_at += 8;
      }
    }
    at += 4 + length;
  }
  if (fields[2] == kZip64Marker && places[2] == kOffsetField)
    damaged("a ZIP64 local header offset is missing from the central directory");
  e.uncompressed_size = values[0];
  e.compressed_size = values[1];
  e.offset_field_is_64 = places[2] != kOffsetField;
  return values[2];
}

// The record at `at`: its fixed part, then the lengths that part names.
template <class Record, size_t (*variable_length)(const Record&)>
Bytes read_record(const ByteSource& a, uint64_t at) {
  Bytes record = a.read(at, sizeof(Record));
  size_t fixed = record.size();
  size_t rest = variable_length(record_at<Record>(record.data()));
  record.resize(fixed + rest);
  if (rest > 0 && a.read_into(at + fixed, &record[fixed], rest) != rest) damaged("it ends inside a record");
  return record;
}

size_t local_fields(const LocalHeader& h) { return size_t{h.name_length()} + h.extra_length(); }
size_t central_fields(const CentralHeader& h) {
  return size_t{h.name_length()} + h.extra_length() + h.comment_length();
}

}  // namespace

Bytes read_local_header(const ByteSource& a, uint64_t at) {
  return read_record<LocalHeader, local_fields>(a, at);
}

Bytes read_central_header(const ByteSource& a, uint64_t at) {
  return read_record<CentralHeader, central_fields>(a, at);
}

std::vector<size_t> local_header_order(const ZipLayout& layout) {
  std::vector<size_t> order(layout.entries.size());
  std::iota(order.begin(), order.end(), size_t{0});
  std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
    return layout.entries[a].local_header < layout.entries[b].local_header;
  });
  return order;
}

bool CentralEntry::is_directory() const {
  if (!name.empty() && platform::is_separator(name.back())) return true;
  uint32_t attributes = header().external_attributes();
  bool unix_directory =
      header().host_system() == kUnixHost && ((attributes >> 16) & kUnixTypeMask) == kUnixDirectory;
  return unix_directory || (attributes & kDosDirectoryAttribute) != 0;
}

ZipLayout read_zip_layout(const ByteSource& a) {
  ZipLayout layout;
  if (!find_end_record(a, layout)) {
    if (a.has_signature(0, kLocalHeaderType))
      throw BindError("truncated or damaged ZIP file: its end record is missing");
    throw BindError("not a ZIP file");
  }
  DirectoryPlace place = directory_place(a, layout);
  if (place.size > place.ends_at) damaged("the central directory does not fit in the file");
  layout.central_dir = place.ends_at - place.size;
  // Offsets count from `base`: 0 unless data was put in front of the archive
  // without correcting them.
  if (place.stored_offset > layout.central_dir)
    damaged("the central directory is not where the end record says");
  layout.base = layout.central_dir - place.stored_offset;

  uint64_t at = layout.central_dir;
  // Every central header takes at least 46 bytes: a count beyond that is a
  // lie. Room is made as headers are read, never for the count read.
  if (place.count > place.size / kCentralHeaderSize) damaged("the central directory is cut short");
  for (uint64_t i = 0; i < place.count; ++i) {
    if (at + kCentralHeaderSize > place.ends_at || !a.has_signature(at, kCentralHeaderType))
      damaged("the central directory is cut short");
    CentralEntry entry;
    entry.record = read_central_header(a, at);
    uint64_t length = entry.record.size();
    if (at + length > place.ends_at) damaged("the central directory is cut short");
    entry.name.assign(reinterpret_cast<const char*>(&entry.record[kCentralHeaderSize]),
                      entry.header().name_length());
    entry.local_header = layout.base + read_sizes_and_offset(entry);
    if (entry.local_header < layout.base || entry.local_header >= layout.central_dir ||
        layout.central_dir - entry.local_header < kLocalHeaderSize ||
        !a.has_signature(entry.local_header, kLocalHeaderType))
      damaged("the local header of " + entry.name + " is missing");
    layout.entries.push_back(std::move(entry));
    at += length;
  }
  return layout;
}

}  // namespace sfxbind
