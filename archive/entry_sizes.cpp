#include "archive/entry_sizes.h"

#include "archive/extra_fields.h"

bool read_entry_sizes(const LocalHeader& header, std::string_view extra, EntrySizes& sizes) {
  sizes = {header.compressed_size(), header.uncompressed_size()};
  // Only the sizes whose 32-bit field is full are there, uncompressed first.
  uint64_t* const wanted[] = {&sizes.uncompressed, &sizes.compressed};
  std::string_view field = find_extra_block(extra, kZip64ExtraId);
  for (uint64_t* size : wanted) {
    if (*size != kZip64Marker) continue;
    if (field.size() < 8) return false;
    *size = read_le64(reinterpret_cast<const uint8_t*>(field.data()));
    field.remove_prefix(8);
  }
  return true;
}
