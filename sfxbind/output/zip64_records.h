// ZIP64 records, written only where a value does not fit its 32-bit (or
// 16-bit) field: the ZIP64 extra field of local and central headers, and the
// ZIP64 end record with its locator.
#pragma once
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "archive/entry_sizes.h"
#include "sfxbind/byte_fields.h"

namespace sfxbind {

inline constexpr uint16_t kZip64Version = 45;  // "version needed" of an entry with ZIP64 fields
inline constexpr uint16_t kCountMarker = 0xFFFF;

// A size or offset at or past the marker goes into a ZIP64 field.
inline bool needs_zip64(uint64_t value) { return value >= kZip64Marker; }
inline uint32_t narrow(uint64_t value) {
  return needs_zip64(value) ? kZip64Marker : static_cast<uint32_t>(value);
}

struct ExtraRecord {
  uint16_t id;
  size_t at;      // of its 4-byte header, within the extra field
  size_t length;  // of its data
};

// The records of an extra field; nothing when one runs past its end or a
// few bytes too few for a header are left over.
std::optional<std::vector<ExtraRecord>> parse_extra(std::span<const uint8_t> extra);

// Where a header keeps its extra field: it begins `extra_at` bytes into the
// header, its length is the 16-bit field at `length_field`.
struct ExtraPlace {
  size_t extra_at;
  unsigned length_field;
  unsigned version_needed_field;
};
ExtraPlace local_extra_place(const Bytes& local);
ExtraPlace central_extra_place(const Bytes& central);

// Gives the header a ZIP64 field holding `values` in their order, in place of
// the one it has (or after its other records), and none when `values` is
// empty. Throws BindError when the extra field is malformed or would grow
// past 65,535 bytes.
void put_zip64_field(Bytes& header, ExtraPlace place, std::span<const uint64_t> values);

// The local header (fixed part, name, extra field) with the entry's sizes:
// in the 32-bit fields when both fit, else in a ZIP64 field with both fields
// set to the marker. A ZIP64 field the sizes do not need goes.
void set_local_sizes(Bytes& local, uint64_t compressed, uint64_t uncompressed);

// The central header with the local header's offset: in its ZIP64 field when
// the 32-bit field cannot hold it or defers to it already. The ZIP64 field
// then holds the sizes whose 32-bit fields hold the marker, and the offset.
void set_central_offset(Bytes& central, uint64_t offset, uint64_t compressed, uint64_t uncompressed);

// The sizes a local header (fixed part, name, extra field) gives: from its
// ZIP64 field where a 32-bit field holds the marker (uncompressed first);
// nothing when that field does not hold them.
std::optional<EntrySizes> local_sizes(const Bytes& local);

struct DirectoryEnd {
  uint64_t entries;
  uint64_t size;
  uint64_t offset;  // of the central directory
};

// What follows the central directory, written at `at`: a ZIP64 end record and
// its locator when the directory needs them or `zip64_end` (an end record
// carried over, possibly with extensible data) is given, then `end` (an end
// record with its comment) with its fields set. Fields already holding the
// marker keep it while a ZIP64 end record follows.
Bytes end_records(const DirectoryEnd& directory, uint64_t at, Bytes end, Bytes zip64_end = {});

}  // namespace sfxbind
