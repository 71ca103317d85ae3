// Sizes from a local header's 32-bit fields or its ZIP64 extended
// information field.
#include "archive/entry_sizes.h"

#include <gtest/gtest.h>

#include <cstring>

#include "tests/support/zip_builder.h"

namespace {

constexpr uint32_t kMarker = 0xFFFFFFFF;

struct SizesCase {
  const char* what;
  uint32_t compressed_field, uncompressed_field;
  std::string extra;
  bool readable;
  uint64_t compressed, uncompressed;
};

LocalHeader header_with(uint32_t compressed, uint32_t uncompressed) {
  std::string bytes(26, '\0');
  put32(bytes, compressed);
  put32(bytes, uncompressed);
  LocalHeader h{};
  std::memcpy(h.bytes + local_field::kCompressedSize, bytes.data() + 26, 8);
  return h;
}

std::string unicode_path_field() { return std::string("up\x03\x00", 4) + "\x01xy"; }

TEST(EntrySizes, FromTheHeaderOrItsZip64Field) {
  const std::string both = zip64_extra({5000000000, 4500000000});
  const SizesCase cases[] = {
      {"plain 32-bit sizes", 10, 20, "", true, 10, 20},
      {"a ZIP64 field beside sizes that fit is not read", 10, 20, both, true, 10, 20},
      {"both marked: uncompressed first", kMarker, kMarker, both, true, 4500000000, 5000000000},
      {"only the uncompressed size marked", 7, kMarker, zip64_extra({6000000000}), true, 7, 6000000000},
      {"only the compressed size marked", kMarker, 9, zip64_extra({4300000000}), true, 4300000000, 9},
      {"the field behind another one", kMarker, kMarker, unicode_path_field() + both, true, 4500000000,
       5000000000},
      {"marked without a ZIP64 field", kMarker, 20, "", false, 0, 0},
      {"marked with only another field", kMarker, 20, unicode_path_field(), false, 0, 0},
      {"both marked, one value", kMarker, kMarker, zip64_extra({1}), false, 0, 0},
      {"the field cut by the end of the extra field", kMarker, kMarker, both.substr(0, 12), false, 0, 0},
  };
  for (const SizesCase& c : cases) {
    EntrySizes sizes;
    const bool readable =
        read_entry_sizes(header_with(c.compressed_field, c.uncompressed_field), c.extra, sizes);
    EXPECT_EQ(readable, c.readable) << c.what;
    if (!c.readable) continue;
    EXPECT_EQ(sizes.compressed, c.compressed) << c.what;
    EXPECT_EQ(sizes.uncompressed, c.uncompressed) << c.what;
  }
}

}  // namespace
