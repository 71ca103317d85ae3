#include "archive/entry_sizes.h"

namespace {

// The data of the first ZIP64 field; empty (null) when the extra field has none
// or its fields do not add up before one is found.
std::string_view zip64_field(std::string_view extra) {
  while (extra.size() >= 4) {
    const auto* p = reinterpret_cast<const uint8_t*>(extra.data());
    const uint16_t id = read_le16(p), length = read_le16(p + 2);
    if (length > extra.size() - 4) break;
    // Not substr(): it would bring the exception machinery into the stub.
    if (id == kZip64ExtraId) return std::string_view(extra.data() + 4, length);
    extra.remove_prefix(4 + length);
  }
  return {};
}

}  // namespace

bool read_entry_sizes(const LocalHeader& header, std::string_view extra, EntrySizes& sizes) {
  sizes = {header.compressed_size(), header.uncompressed_size()};
  // Only the sizes whose 32-bit field is full are there, uncompressed first.
  uint64_t* const wanted[] = {&sizes.uncompressed, &sizes.compressed};
  std::string_view field = zip64_field(extra);
  for (uint64_t* size : wanted) {
    if (*size != kZip64Marker) continue;
    if (field.size() < 8) return false;
    *size = read_le64(reinterpret_cast<const uint8_t*>(field.data()));
    field.remove_prefix(8);
  }
  return true;
}
