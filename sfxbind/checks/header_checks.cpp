#include "sfxbind/checks/header_checks.h"

#include "sfxbind/checks/integrity_reasons.h"
#include "sfxbind/checks/method_names.h"
#include "sfxbind/checks/name_collisions.h"
#include "sfxbind/output/zip64_records.h"

namespace sfxbind {

namespace {

bool extra_is_malformed(const Bytes& header, ExtraPlace place) {
  size_t length = read_le16(&header[place.length_field]);
  return !parse_extra({header.data() + place.extra_at, length});
}

// A ZIP64 field too short for the values the central header's markers defer to it.
bool central_zip64_falls_short(const CentralEntry& c) {
  const CentralHeader& h = c.header();
  size_t wanted = 8 * ((h.uncompressed_size() == kZip64Marker) + (h.compressed_size() == kZip64Marker) +
                       (h.local_header_offset() == kZip64Marker));
  if (wanted == 0) return false;
  ExtraPlace place = central_extra_place(c.record);
  std::span<const uint8_t> extra(c.record.data() + place.extra_at, h.extra_length());
  std::optional<std::vector<ExtraRecord>> records = parse_extra(extra);
  if (!records) return false;  // named as malformed already
  for (const ExtraRecord& r : *records)
    if (r.id == kZip64ExtraId) return r.length < wanted;
  return true;
}

// Under a data descriptor the local header may leave a value zero.
bool agrees(uint64_t local, uint64_t central, bool descriptor) {
  return local == central || (descriptor && local == 0);
}

std::span<const uint8_t> extra_of(const Bytes& header, ExtraPlace place) {
  return {header.data() + place.extra_at, read_le16(&header[place.length_field])};
}

// The id a well-formed extra field holds twice, if any: readers differ in
// which of the two they take.
std::optional<uint16_t> repeated_record(std::span<const uint8_t> extra) {
  std::optional<std::vector<ExtraRecord>> records = parse_extra(extra);
  if (!records) return std::nullopt;
  for (size_t i = 0; i < records->size(); ++i)
    for (size_t j = 0; j < i; ++j)
      if ((*records)[i].id == (*records)[j].id) return (*records)[i].id;
  return std::nullopt;
}

// A local ZIP64 field holding both sizes (uncompressed, then compressed) must
// hold the central directory's, whether or not its 32-bit fields defer to
// them: some readers take them all. A shorter one is read as the stub reads it.
bool local_zip64_agrees(const CentralEntry& c, const Bytes& local, bool descriptor) {
  std::span<const uint8_t> extra = extra_of(local, local_extra_place(local));
  std::optional<std::vector<ExtraRecord>> records = parse_extra(extra);
  if (!records) return true;  // named as malformed already
  for (const ExtraRecord& r : *records) {
    if (r.id != kZip64ExtraId || r.length < 16) continue;
    const uint64_t central[2] = {c.uncompressed_size, c.compressed_size};
    for (size_t i = 0; i < 2; ++i)
      if (!agrees(read_le64(&extra[r.at + 4 + 8 * i]), central[i], descriptor)) return false;
  }
  return true;
}

}  // namespace

void check_headers_agree(const CentralEntry& c, const Bytes& local, Findings& out) {
  auto refuse = [&](const std::string& why) {
    out.push_back({Severity::kRefusal, c.name, why + integrity::kRepair});
  };
  auto disagree = [&](const std::string& what) {
    refuse(std::string(integrity::kDisagree) + " on its " + what);
  };
  const LocalHeader& l = record_at<LocalHeader>(local.data());
  const CentralHeader& h = c.header();
  bool local_extra_bad = extra_is_malformed(local, local_extra_place(local));
  std::string malformed = std::string(integrity::kMalformedExtra) + " (a record runs past its end, in its ";
  if (local_extra_bad) refuse(malformed + "local header)");
  if (extra_is_malformed(c.record, central_extra_place(c.record)))
    refuse(malformed + "central directory entry)");
  for (const Bytes* header : {&local, &c.record}) {
    bool in_local = header == &local;
    ExtraPlace place = in_local ? local_extra_place(local) : central_extra_place(c.record);
    if (std::optional<uint16_t> id = repeated_record(extra_of(*header, place)))
      refuse(std::string(integrity::kRepeatedExtra) + " (0x" + integrity::hex(*id, 4) + ", in its " +
             (in_local ? "local header)" : "central directory entry)"));
  }
  if (central_zip64_falls_short(c))
    refuse(std::string(integrity::kZip64Short) + " (its central directory entry)");

  std::string name(local.begin() + kLocalHeaderSize, local.begin() + kLocalHeaderSize + l.name_length());
  if (name != c.name)
    disagree("name (\"" + name + "\" and \"" + c.name +
             "\"): ZIP tools show one, the self-extractor writes the other");
  else if (written_name(local) != written_name(c))
    disagree(
        "name as its Unicode path field gives it: ZIP tools show one, the self-extractor writes the other");
  if (l.method() != c.method())
    disagree("method (" + method_label(l.method()) + " and " + method_label(c.method()) + ")");
  if (l.flags() != h.flags())
    disagree("flags (0x" + integrity::hex(l.flags(), 4) + " and 0x" + integrity::hex(h.flags(), 4) + ")");
  bool descriptor = l.flags() & kFlagDataDescriptor;
  if (!agrees(l.crc32(), h.crc32(), descriptor)) disagree("CRC-32");
  std::optional<EntrySizes> sizes = local_sizes(local);
  if (!sizes && !descriptor && !local_extra_bad)
    refuse(std::string(integrity::kZip64Short) + " (its local header)");
  if ((sizes && (!agrees(sizes->compressed, c.compressed_size, descriptor) ||
                 !agrees(sizes->uncompressed, c.uncompressed_size, descriptor))) ||
      !local_zip64_agrees(c, local, descriptor))
    disagree("sizes");
}

}  // namespace sfxbind
