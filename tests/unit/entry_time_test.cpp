// The exact modification time from a local header's extra field: the NTFS
// field's tag 1, else the extended timestamp; anything malformed is none.
#include "archive/entry_time.h"

#include <gtest/gtest.h>

#include "tests/support/zip_builder.h"  // zip64_extra

namespace {

// `bytes` bytes of `v`, little-endian.
std::string le(uint64_t v, int bytes) {
  std::string out;
  for (int i = 0; i < bytes; ++i) out += static_cast<char>(v >> 8 * i);
  return out;
}
std::string le32(uint32_t v) { return le(v, 4); }
std::string le64(uint64_t v) { return le(v, 8); }
std::string block(uint16_t id, const std::string& data) { return le(id, 2) + le(data.size(), 2) + data; }
std::string stamp(char flags, std::string seconds) { return block(0x5455, flags + seconds); }
std::string ntfs(const std::string& attributes) { return block(0x000A, std::string(4, '\0') + attributes); }
std::string ntfs_times(uint64_t modified) { return block(1, le64(modified) + le64(1) + le64(2)); }

constexpr uint32_t kSeconds = 1640368800;  // 2021-12-24 18:00:00 UTC
constexpr uint64_t kFromSeconds = (kSeconds + 11'644'473'600ull) * 10'000'000;
constexpr uint64_t kTicks = 132'847'380'001'234'567;  // 2021-12-23 13:00:00.1234567 UTC

TEST(EntryTime, NtfsFirstThenTheExtendedTimestampAndNothingMalformed) {
  const struct {
    const char* what;
    std::string extra;
    uint64_t ticks;
  } cases[] = {
      {"no field", "", 0},
      {"extended timestamp with the modification time alone", stamp(1, le32(kSeconds)), kFromSeconds},
      {"extended timestamp with all three times", stamp(7, le32(kSeconds) + le32(1) + le32(2)), kFromSeconds},
      {"the last unsigned second, in 2106", stamp(1, le32(0xFFFFFFFF)),
       (0xFFFFFFFFull + 11'644'473'600) * 10'000'000},
      {"no modification time announced", stamp(6, le32(kSeconds) + le32(1)), 0},
      {"announced and cut short", stamp(1, "abc"), 0},
      {"a block running past the extra field", stamp(1, le32(kSeconds)).substr(0, 8), 0},
      {"behind a ZIP64 field", zip64_extra({7}) + stamp(1, le32(kSeconds)), kFromSeconds},
      {"NTFS tag 1", ntfs(ntfs_times(kTicks)), kTicks},
      {"NTFS tag 1 behind another attribute", ntfs(block(2, "xy") + ntfs_times(kTicks)), kTicks},
      {"NTFS tag 1 of 16 bytes", ntfs(block(1, le64(kTicks) + le64(1))), 0},
      {"NTFS attribute running past its field", ntfs(ntfs_times(kTicks).substr(0, 20)), 0},
      {"NTFS reserved bytes cut short", block(0x000A, "\0\0"), 0},
      {"NTFS time from 2^63 on", ntfs(ntfs_times(1ull << 63)), 0},
      {"NTFS wins over the extended timestamp", stamp(1, le32(kSeconds)) + ntfs(ntfs_times(kTicks)), kTicks},
      {"a malformed NTFS field leaves the extended timestamp",
       ntfs(block(1, le64(kTicks))) + stamp(1, le32(kSeconds)), kFromSeconds},
  };
  for (const auto& c : cases) EXPECT_EQ(exact_entry_time(c.extra), c.ticks) << c.what;
}

}  // namespace
