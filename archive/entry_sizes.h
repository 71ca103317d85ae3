// An entry's sizes as its local header gives them: the 32-bit fields, or,
// where a field holds the ZIP64 marker, the 64-bit value from the ZIP64
// extended information field of the header's own extra field.
#pragma once
#include <cstdint>
#include <string_view>

#include "archive/records.h"

struct EntrySizes {
  uint64_t compressed = 0;
  uint64_t uncompressed = 0;
  bool operator==(const EntrySizes&) const = default;
};

// False when a size field holds the marker and the extra field has no ZIP64
// field long enough to hold its value: then where the data ends is unknown.
bool read_entry_sizes(const LocalHeader& header, std::string_view extra, EntrySizes& sizes);
