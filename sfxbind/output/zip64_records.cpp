#include "sfxbind/output/zip64_records.h"

#include <algorithm>

#include "sfxbind/input/zip_layout.h"

namespace sfxbind {

namespace {

void put_signature(uint8_t* at, uint16_t type) {
  write_le16(at, kSignatureWord);
  write_le16(at + 2, type);
}

// The value for a 32-bit (or 16-bit) field of an end record: the marker it
// holds stays while a ZIP64 end record follows.
uint64_t end_field_value(uint64_t held, uint64_t value, uint64_t marker, bool zip64) {
  if (zip64 && held == marker) return marker;
  return std::min(value, marker);
}

}  // namespace

std::optional<std::vector<ExtraRecord>> parse_extra(std::span<const uint8_t> extra) {
  std::vector<ExtraRecord> records;
  size_t at = 0;
  while (at < extra.size()) {
    if (extra.size() - at < 4) return std::nullopt;
    size_t length = read_le16(&extra[at + 2]);
    if (extra.size() - at - 4 < length) return std::nullopt;
    records.push_back({read_le16(&extra[at]), at, length});
    at += 4 + length;
  }
  return records;
}

ExtraPlace local_extra_place(const Bytes& local) {
  return {static_cast<size_t>(kLocalHeaderSize) + record_at<LocalHeader>(local.data()).name_length(),
          local_field::kExtraLength, local_field::kVersionNeeded};
}

ExtraPlace central_extra_place(const Bytes& central) {
  return {static_cast<size_t>(kCentralHeaderSize) + record_at<CentralHeader>(central.data()).name_length(),
          central_field::kExtraLength, central_field::kVersionNeeded};
}

void put_zip64_field(Bytes& header, ExtraPlace place, std::span<const uint64_t> values) {
  size_t length = read_le16(&header[place.length_field]);
  std::optional<std::vector<ExtraRecord>> records = parse_extra({header.data() + place.extra_at, length});
  if (!records) {
    if (values.empty()) return;
    damaged("an extra field is malformed where a ZIP64 field must go");
  }
  auto old = std::find_if(records->begin(), records->end(),
                          [](const ExtraRecord& r) { return r.id == kZip64ExtraId; });
  if (old == records->end() && values.empty()) return;
  Bytes field;
  if (!values.empty()) {
    field.resize(4 + 8 * values.size());
    write_le16(&field[0], kZip64ExtraId);
    write_le16(&field[2], static_cast<uint16_t>(8 * values.size()));
    for (size_t i = 0; i < values.size(); ++i) write_le64(&field[4 + 8 * i], values[i]);
  }
  size_t at = old == records->end() ? length : old->at;
  size_t replaced = old == records->end() ? 0 : 4 + old->length;
  size_t new_length = length - replaced + field.size();
  if (new_length > 0xFFFF)
    throw BindError("an extra field would grow past 65,535 bytes with its ZIP64 field");
  auto from = header.begin() + static_cast<ptrdiff_t>(place.extra_at + at);
  from = header.erase(from, from + static_cast<ptrdiff_t>(replaced));
  header.insert(from, field.begin(), field.end());
  write_le16(&header[place.length_field], static_cast<uint16_t>(new_length));
  // A header with a ZIP64 field needs a reader that knows them.
  if (!values.empty() && read_le16(&header[place.version_needed_field]) < kZip64Version)
    write_le16(&header[place.version_needed_field], kZip64Version);
}

void set_local_sizes(Bytes& local, uint64_t compressed, uint64_t uncompressed) {
  bool wide = needs_zip64(compressed) || needs_zip64(uncompressed);
  write_le32(&local[local_field::kCompressedSize], wide ? kZip64Marker : narrow(compressed));
  write_le32(&local[local_field::kUncompressedSize], wide ? kZip64Marker : narrow(uncompressed));
  std::vector<uint64_t> values;
  if (wide) values = {uncompressed, compressed};
  put_zip64_field(local, local_extra_place(local), values);
}

std::optional<EntrySizes> local_sizes(const Bytes& local) {
  const LocalHeader& h = record_at<LocalHeader>(local.data());
  std::string_view extra(reinterpret_cast<const char*>(local.data() + local_extra_place(local).extra_at),
                         h.extra_length());
  EntrySizes sizes;
  if (!read_entry_sizes(h, extra, sizes)) return std::nullopt;
  return sizes;
}

void set_central_offset(Bytes& central, uint64_t offset, uint64_t compressed, uint64_t uncompressed) {
  const CentralHeader& h = record_at<CentralHeader>(central.data());
  bool wide_offset = h.local_header_offset() == kZip64Marker || needs_zip64(offset);
  // The ZIP64 field's values come in a fixed order, each only where its
  // 32-bit field holds the marker.
  std::vector<uint64_t> values;
  if (h.uncompressed_size() == kZip64Marker) values.push_back(uncompressed);
  if (h.compressed_size() == kZip64Marker) values.push_back(compressed);
  if (wide_offset) values.push_back(offset);
  write_le32(&central[central_field::kLocalHeaderOffset],
             wide_offset ? kZip64Marker : static_cast<uint32_t>(offset));
  if (!values.empty()) put_zip64_field(central, central_extra_place(central), values);
}

Bytes end_records(const DirectoryEnd& d, uint64_t at, Bytes end, Bytes zip64_end) {
  bool zip64 =
      !zip64_end.empty() || d.entries >= kCountMarker || needs_zip64(d.size) || needs_zip64(d.offset);
  Bytes out;
  if (zip64) {
    if (zip64_end.empty()) {
      zip64_end.assign(kZip64EndSize, 0);
      put_signature(&zip64_end[0], kZip64EndType);
      write_le64(&zip64_end[4], kZip64EndSize - 12);
      write_le16(&zip64_end[12], kZip64Version);
      write_le16(&zip64_end[14], kZip64Version);
    }
    write_le64(&zip64_end[24], d.entries);
    write_le64(&zip64_end[32], d.entries);
    write_le64(&zip64_end[40], d.size);
    write_le64(&zip64_end[48], d.offset);
    Bytes locator(kZip64LocatorSize, 0);
    put_signature(&locator[0], kZip64LocatorType);
    write_le64(&locator[8], at);
    write_le32(&locator[16], 1);
    out = std::move(zip64_end);
    out.insert(out.end(), locator.begin(), locator.end());
  }
  const EndRecord& e = record_at<EndRecord>(end.data());
  uint16_t entries =
      static_cast<uint16_t>(end_field_value(e.entries_total(), d.entries, kCountMarker, zip64));
  write_le16(&end[end_field::kEntriesTotal - 2], entries);
  write_le16(&end[end_field::kEntriesTotal], entries);
  write_le32(&end[end_field::kCentralDirSize],
             static_cast<uint32_t>(end_field_value(e.central_dir_size(), d.size, kZip64Marker, zip64)));
  write_le32(&end[end_field::kCentralDirOffset],
             static_cast<uint32_t>(end_field_value(e.central_dir_offset(), d.offset, kZip64Marker, zip64)));
  out.insert(out.end(), end.begin(), end.end());
  return out;
}

}  // namespace sfxbind
