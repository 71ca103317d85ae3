// Where the binder writes ZIP64 records: only where a size, an offset or the
// entry count does not fit its field. Large values are given as numbers.
#include "sfxbind/output/zip64_records.h"

#include <gtest/gtest.h>

#include "sfxbind/input/zip_layout.h"
#include "tests/sfxbind/bind_test_support.h"

using namespace sfxbind;

namespace {

constexpr uint64_t kGiB = uint64_t{1} << 30;

std::string le16(uint16_t v) { return std::string{static_cast<char>(v), static_cast<char>(v >> 8)}; }
std::string le64(uint64_t v) {
  std::string s;
  for (int i = 0; i < 8; ++i) s += static_cast<char>(v >> (8 * i));
  return s;
}
std::string zip64_field(std::initializer_list<uint64_t> values) {
  std::string s = le16(1) + le16(static_cast<uint16_t>(8 * values.size()));
  for (uint64_t v : values) s += le64(v);
  return s;
}
const std::string kTimeField = le16(0x5455) + le16(5) + "\x01\x02\x03\x04\x05";

// A local header named "f" with `extra`.
Bytes local_with(const std::string& extra) {
  ZipEntry e = stored_entry("f", "data");
  e.extra = extra;
  std::string archive = ZipBuilder().add(e).bytes();
  return to_bytes(archive.substr(0, 30 + 1 + extra.size()));
}

std::string extra_of(const Bytes& local) {
  return to_text(local).substr(30 + record_at<LocalHeader>(local.data()).name_length());
}

// A central header named "f" with `extra` and 32-bit sizes `size32`.
Bytes central_with(uint32_t size32, const std::string& extra = "") {
  Bytes c(kCentralHeaderSize);
  write_le32(&c[0], 0x02014B50);
  write_le32(&c[central_field::kCompressedSize], size32);
  write_le32(&c[central_field::kUncompressedSize], size32);
  write_le16(&c[central_field::kNameLength], 1);
  write_le16(&c[central_field::kExtraLength], static_cast<uint16_t>(extra.size()));
  c.push_back('f');
  c.insert(c.end(), extra.begin(), extra.end());
  return c;
}

}  // namespace

TEST(Zip64Records, LocalSizesGoIntoAZip64FieldOnlyWhenTheyNeedIt) {
  struct Case {
    const char* what;
    std::string extra;
    uint64_t compressed, uncompressed;
    uint32_t field32;  // both 32-bit size fields
    std::string want_extra;
  } cases[] = {
      {"small, no extra field", "", 100, 200, 200, ""},
      {"the streaming pattern: a ZIP64 field of zeros", zip64_field({0, 0}) + kTimeField, 100, 200, 200,
       kTimeField},
      {"just below 4 GiB", kTimeField, 0xFFFFFFFE, 0xFFFFFFFE, 0xFFFFFFFE, kTimeField},
      {"exactly the marker", "", 10, 0xFFFFFFFF, kZip64Marker, zip64_field({0xFFFFFFFF, 10})},
      {"5 GiB deflating to 1 GiB", kTimeField, kGiB, 5 * kGiB, kZip64Marker,
       kTimeField + zip64_field({5 * kGiB, kGiB})},
      {"a ZIP64 field of zeros filled in place", zip64_field({0, 0}) + kTimeField, 5 * kGiB, 6 * kGiB,
       kZip64Marker, zip64_field({6 * kGiB, 5 * kGiB}) + kTimeField},
  };
  for (const Case& c : cases) {
    Bytes local = local_with(c.extra);
    set_local_sizes(local, c.compressed, c.uncompressed);
    const LocalHeader& h = record_at<LocalHeader>(local.data());
    EXPECT_EQ(h.compressed_size(), c.field32 == 200 ? 100u : c.field32) << c.what;
    EXPECT_EQ(h.uncompressed_size(), c.field32) << c.what;
    EXPECT_EQ(extra_of(local), c.want_extra) << c.what;
    EXPECT_EQ(local_sizes(local), (EntrySizes{c.compressed, c.uncompressed})) << c.what;
  }
}

TEST(Zip64Records, AMalformedExtraFieldIsLeftAloneUnlessAZip64FieldMustGoIn) {
  std::string broken = le16(0x5455) + le16(40) + "short";
  Bytes local = local_with(broken);
  set_local_sizes(local, 1, 2);
  EXPECT_EQ(extra_of(local), broken);
  EXPECT_THROW(set_local_sizes(local, 1, 5 * kGiB), BindError);
  // Both sizes deferred to a ZIP64 field that holds one.
  Bytes short_field = local_with(zip64_field({5}));
  write_le32(&short_field[local_field::kCompressedSize], kZip64Marker);
  write_le32(&short_field[local_field::kUncompressedSize], kZip64Marker);
  EXPECT_EQ(local_sizes(short_field), std::nullopt);
}

TEST(Zip64Records, CentralOffsetsPastTheMarkerGoIntoTheZip64Field) {
  struct Case {
    const char* what;
    uint32_t size32;
    std::string extra;
    uint64_t offset;
    uint32_t want_offset32;
    std::string want_extra;
  } cases[] = {
      {"below the marker", 100, kTimeField, 0xFFFFFFFE, 0xFFFFFFFE, kTimeField},
      {"at the marker", 100, kTimeField, 0xFFFFFFFF, kZip64Marker, kTimeField + zip64_field({0xFFFFFFFF})},
      {"after the sizes", kZip64Marker, zip64_field({6 * kGiB, 5 * kGiB}), 7 * kGiB, kZip64Marker,
       zip64_field({6 * kGiB, 5 * kGiB, 7 * kGiB})},
      {"sizes only", kZip64Marker, "", 12, 12, zip64_field({6 * kGiB, 5 * kGiB})},
      {"a 64-bit offset field kept", 100, zip64_field({1}), 2, kZip64Marker, zip64_field({2})},
  };
  for (const Case& c : cases) {
    Bytes central = central_with(c.size32, c.extra);
    if (c.extra == zip64_field({1})) write_le32(&central[central_field::kLocalHeaderOffset], kZip64Marker);
    set_central_offset(central, c.offset, 5 * kGiB, 6 * kGiB);
    const CentralHeader& h = record_at<CentralHeader>(central.data());
    EXPECT_EQ(h.local_header_offset(), c.want_offset32) << c.what;
    EXPECT_EQ(to_text(central).substr(kCentralHeaderSize + 1), c.want_extra) << c.what;
    EXPECT_EQ(h.extra_length(), c.want_extra.size()) << c.what;
  }
}

TEST(Zip64Records, EndRecordsGetZip64RecordsOnlyWhenTheDirectoryNeedsThem) {
  struct Case {
    DirectoryEnd directory;
    bool zip64;
    uint16_t entries16;
    uint32_t size32, offset32;
  } cases[] = {
      {{65534, 100, 200}, false, 65534, 100, 200},
      {{65535, 100, 200}, true, 0xFFFF, 100, 200},
      {{70000, 100, 200}, true, 0xFFFF, 100, 200},
      {{3, 100, 0xFFFFFFFE}, false, 3, 100, 0xFFFFFFFE},
      {{3, 100, 0xFFFFFFFF}, true, 3, 100, kZip64Marker},
      {{3, 5 * kGiB, 6 * kGiB}, true, 3, kZip64Marker, kZip64Marker},
  };
  const uint64_t at = 7 * kGiB;
  for (const Case& c : cases) {
    Bytes end(kEndRecordSize);
    write_le32(&end[0], 0x06054B50);
    Bytes out = end_records(c.directory, at, end);
    SCOPED_TRACE(c.directory.entries);
    ASSERT_EQ(out.size(), kEndRecordSize + (c.zip64 ? kZip64EndSize + kZip64LocatorSize : 0));
    const EndRecord& e = record_at<EndRecord>(&out[out.size() - kEndRecordSize]);
    EXPECT_EQ(read_le16(&out[out.size() - kEndRecordSize + 8]), c.entries16);
    EXPECT_EQ(e.entries_total(), c.entries16);
    EXPECT_EQ(e.central_dir_size(), c.size32);
    EXPECT_EQ(e.central_dir_offset(), c.offset32);
    if (!c.zip64) continue;
    EXPECT_TRUE(has_signature(out, 0, kZip64EndType));
    EXPECT_EQ(read_le64(&out[24]), c.directory.entries);
    EXPECT_EQ(read_le64(&out[40]), c.directory.size);
    EXPECT_EQ(read_le64(&out[48]), c.directory.offset);
    EXPECT_TRUE(has_signature(out, kZip64EndSize, kZip64LocatorType));
    EXPECT_EQ(read_le64(&out[kZip64EndSize + 8]), at);
  }
}
