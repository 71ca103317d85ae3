// Reading an archive's layout through its end record and central directory,
// and rewriting it behind a stub.
#include <gtest/gtest.h>

#include "sfxbind/checks/preflight.h"
#include "sfxbind/input/zip_layout.h"
#include "tests/sfxbind/bind_test_support.h"

using namespace sfxbind;

namespace {

std::string error_of(const std::string& archive) {
  try {
    layout_of(to_bytes(archive));
  } catch (const BindError& e) {
    return e.what();
  }
  return "";
}

uint32_t le32_at(const std::string& s, size_t at) {
  return read_le32(reinterpret_cast<const uint8_t*>(s.data() + at));
}

// Follows the bound file's own offsets, as a ZIP reader does, and returns the
// names of the local headers they lead to.
std::vector<std::string> names_via_offsets(const std::string& file) {
  size_t end = file.size() - 22;
  EXPECT_EQ(file.substr(end, 4), "PK\x05\x06");
  size_t at = le32_at(file, end + 16);
  std::vector<std::string> names;
  while (file.compare(at, 4, "PK\x01\x02") == 0) {
    uint16_t n = read_le16(reinterpret_cast<const uint8_t*>(file.data() + at + 28));
    size_t local = le32_at(file, at + 42);
    EXPECT_EQ(file.substr(local, 4), "PK\x03\x04");
    EXPECT_EQ(file.substr(local + 30, n), file.substr(at + 46, n));
    names.push_back(file.substr(at + 46, n));
    at += 46 + n;
  }
  return names;
}

// A one-entry archive whose central directory keeps the local header offset
// in a ZIP64 extra field, closed by a ZIP64 end record, its locator and an
// end record whose fields all point to them. `front` goes before it, with
// offsets counted from the file's start.
std::string zip64_archive(const std::string& front = "") {
  std::string out = front;
  std::string name = "big.txt", data = "zip64 payload";
  size_t local = out.size();
  out += "PK\x03\x04";
  put16(out, 45);
  put16(out, 0);
  put16(out, 0);
  put16(out, 0);
  put16(out, 0);
  put32(out, reference_crc32(data));
  put32(out, static_cast<uint32_t>(data.size()));
  put32(out, static_cast<uint32_t>(data.size()));
  put16(out, static_cast<uint16_t>(name.size()));
  put16(out, 0);
  out += name + data;
  size_t central = out.size();
  out += "PK\x01\x02";
  put16(out, 45);
  put16(out, 45);
  put16(out, 0);
  put16(out, 0);
  put16(out, 0);
  put16(out, 0);
  put32(out, reference_crc32(data));
  put32(out, static_cast<uint32_t>(data.size()));
  put32(out, static_cast<uint32_t>(data.size()));
  put16(out, static_cast<uint16_t>(name.size()));
  put16(out, 12);
  put16(out, 0);
  put16(out, 0);
  put16(out, 0);
  put32(out, 0);
  put32(out, 0xFFFFFFFF);
  out += name;
  put16(out, 0x0001);
  put16(out, 8);
  put32(out, static_cast<uint32_t>(local));
  put32(out, 0);
  size_t central_size = out.size() - central;
  size_t zip64_end = out.size();
  out += "PK\x06\x06";
  put32(out, 44);
  put32(out, 0);
  put16(out, 45);
  put16(out, 45);
  put32(out, 0);
  put32(out, 0);
  put32(out, 1);
  put32(out, 0);
  put32(out, 1);
  put32(out, 0);
  put32(out, static_cast<uint32_t>(central_size));
  put32(out, 0);
  put32(out, static_cast<uint32_t>(central));
  put32(out, 0);
  out += "PK\x06\x07";
  put32(out, 0);
  put32(out, static_cast<uint32_t>(zip64_end));
  put32(out, 0);
  put32(out, 1);
  out += "PK\x05\x06";
  put16(out, 0);
  put16(out, 0);
  put16(out, 0xFFFF);
  put16(out, 0xFFFF);
  put32(out, 0xFFFFFFFF);
  put32(out, 0xFFFFFFFF);
  put16(out, 0);
  return out;
}

}  // namespace

TEST(ZipLayout, FindsEveryRecordOfAnOrdinaryArchive) {
  ZipBuilder builder;
  builder.add(stored_entry("a.txt", "first file"))
      .add(directory_entry("dir/"))
      .add(stored_entry("dir/b.txt", "x"));
  std::string archive = builder.bytes();
  ZipLayout layout = layout_of(to_bytes(archive));
  ASSERT_EQ(layout.entries.size(), 3u);
  EXPECT_EQ(layout.entries[1].name, "dir/");
  for (size_t i = 0; i < 3; ++i) EXPECT_EQ(layout.entries[i].local_header, builder.local_offsets()[i]);
  EXPECT_EQ(layout.end_record, archive.size() - 22);
  EXPECT_EQ(layout.central_dir, le32_at(archive, archive.size() - 6));
  EXPECT_FALSE(layout.zip64);
}

TEST(ZipLayout, AnArchiveCommentAndDataAfterTheArchive) {
  std::string archive = three_entry_archive();
  std::string commented = archive.substr(0, archive.size() - 2) + std::string("\x05\x00hello", 7);
  EXPECT_EQ(layout_of(to_bytes(commented)).end_record, archive.size() - 22);
  // A comment that happens to hold an end record signature does not mislead.
  std::string tricky = archive.substr(0, archive.size() - 2) + std::string("\x1A\x00", 2) + "PK\x05\x06" +
                       std::string(18, '\0') + "\x00\x00";
  tricky.resize(archive.size() + 26, '\0');
  EXPECT_EQ(layout_of(to_bytes(tricky)).end_record, archive.size() - 22);
  EXPECT_EQ(layout_of(to_bytes(archive + "trailing data")).entries.size(), 3u);
}

TEST(ZipLayout, DataPutInFrontWithOrWithoutCorrectedOffsets) {
  std::string archive = three_entry_archive();
  std::string front(10, 'x');
  // Offsets still counting from the archive's own start.
  ZipLayout layout = layout_of(to_bytes(front + archive));
  EXPECT_EQ(layout.entries[0].local_header, 10u);
  EXPECT_EQ(layout.central_dir, 10 + le32_at(archive, archive.size() - 6));
  // Offsets already counting from the file's start (an earlier binding).
  ZipLayout again = layout_of(to_bytes(rewritten(archive, front)));
  EXPECT_EQ(again.entries[2].local_header, layout.entries[2].local_header);
  EXPECT_EQ(again.central_dir, layout.central_dir);
}

TEST(ZipLayout, BadInputIsNamedInOneLine) {
  EXPECT_EQ(error_of(""), "not a ZIP file");
  EXPECT_EQ(error_of("just some text, long enough to hold an end record"), "not a ZIP file");
  std::string archive = three_entry_archive();
  EXPECT_EQ(error_of(archive.substr(0, archive.size() - 1)),
            "truncated or damaged ZIP file: its end record is missing");
  EXPECT_EQ(error_of(archive.substr(40)),
            "damaged ZIP file: the central directory is not where the end record says");
  std::string split = archive;
  split[split.size() - 18] = 1;  // disk number
  EXPECT_EQ(error_of(split), "split ZIP archives (several parts) are not supported");
  std::string lost_header = archive;
  lost_header[0] = 'X';
  EXPECT_EQ(error_of(lost_header), "damaged ZIP file: the local header of a.txt is missing");
  std::string short_directory = archive;
  short_directory[short_directory.size() - 12] = 4;  // four entries claimed, three present
  EXPECT_EQ(error_of(short_directory), "damaged ZIP file: the central directory is cut short");
}

TEST(ZipLayout, EveryCutOfAnArchiveIsReadOrRefusedSafely) {
  for (const std::string& archive : {three_entry_archive(), zip64_archive()}) {
    for (size_t keep = 0; keep < archive.size(); ++keep) {
      std::string cut = archive.substr(0, keep);
      std::string error = error_of(cut);
      EXPECT_FALSE(error.empty()) << keep;
      // The same bytes with the end record kept and the middle cut out.
      std::string holed =
          archive.substr(0, keep / 2) + archive.substr(archive.size() - (archive.size() - keep) / 2 - 22);
      error_of(holed);
    }
  }
}

TEST(ZipLayout, EveryByteDamagedIsReadOrRefusedSafely) {
  TempDir dir;
  for (const std::string& archive : {three_entry_archive(), zip64_archive()}) {
    for (size_t at = 0; at < archive.size(); ++at) {
      for (char damage : {'\x00', '\x80', '\xFF'}) {
        Bytes bytes = to_bytes(archive);
        bytes[at] = static_cast<uint8_t>(damage);
        try {
          MemorySource source(bytes);
          ZipLayout layout = read_zip_layout(source);
          RewritePlan plan = plan_rewrite(source, layout);
          preflight(layout, plan, StubKind::kWindows);
          AtomicOutput out((dir / "out").string());
          write_rewrite(source, layout, plan, out);
        } catch (const BindError&) {
        }
      }
    }
  }
}

TEST(Rewrite, AnArchiveTheWalkFollowsOnlyHasItsOffsetsMovedOn) {
  for (const std::string& archive : {three_entry_archive(), zip64_archive()}) {
    std::string stub = "a stub of 24 bytes......";
    std::string bound = rewritten(archive, stub);
    ASSERT_EQ(bound.size(), stub.size() + archive.size());
    EXPECT_EQ(bound.substr(0, stub.size()), stub);
    // Nothing but the offsets changed: four fields, or in the ZIP64 archive
    // the extra field's, the ZIP64 end record's and the locator's.
    size_t changed = 0;
    for (size_t i = 0; i < archive.size(); ++i) changed += archive[i] != bound[stub.size() + i];
    EXPECT_LE(changed, 4u);
  }
  std::string bound = rewritten(three_entry_archive(), std::string(24, 's'));
  EXPECT_EQ(names_via_offsets(bound), (std::vector<std::string>{"a.txt", "dir/", "dir/b.txt"}));
}

TEST(Rewrite, Zip64RecordsAndExtraFieldsMoveToo) {
  std::string archive = zip64_archive();
  Bytes bound = to_bytes(rewritten(archive, std::string(1000, 's')));
  ZipLayout layout = layout_of(to_bytes(archive));
  ZipLayout moved = layout_of(bound);
  ASSERT_TRUE(moved.zip64);
  EXPECT_EQ(moved.base, 0u);
  // The 32-bit fields that defer to ZIP64 stay as they are.
  EXPECT_EQ(read_le32(&bound[bound.size() - 6]), 0xFFFFFFFFu);
  EXPECT_EQ(read_le64(&bound[moved.zip64_end_record + 48]), layout.central_dir + 1000);
  EXPECT_EQ(read_le64(&bound[moved.zip64_locator + 8]), layout.zip64_end_record + 1000);
  EXPECT_TRUE(moved.entries[0].offset_field_is_64);
  EXPECT_EQ(moved.entries[0].local_header, 1000u);
  // Found as well when data in front was never accounted for.
  EXPECT_EQ(layout_of(to_bytes(std::string(8, 'f') + archive)).entries[0].local_header, 8u);
}

TEST(Rewrite, OffsetsPastWhatTheirFieldsHoldGoIntoZip64Records) {
  Bytes bytes = to_bytes(three_entry_archive());
  MemorySource source(bytes);
  ZipLayout layout = read_zip_layout(source);
  RewritePlan plan = plan_rewrite(source, layout);
  TempDir dir;
  // A sparse file: the archive starts where its central directory's offset
  // reaches 0xFFFFFFFE (no ZIP64 records), one further, or where every local
  // header lies past 4 GiB.
  for (uint64_t start :
       {0xFFFFFFFEull - layout.central_dir, 0xFFFFFFFFull - layout.central_dir, 0x100000000ull}) {
    AtomicOutput out((dir / "out").string());
    out.rewind(start);
    write_rewrite(source, layout, plan, out);
    out.commit(false);
    FileSource bound((dir / "out").string());
    ZipLayout moved = read_zip_layout(bound);
    EXPECT_EQ(moved.zip64, start + layout.central_dir >= 0xFFFFFFFFull) << start;
    EXPECT_EQ(moved.base, 0u);
    ASSERT_EQ(moved.entries.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
      EXPECT_EQ(moved.entries[i].local_header, start + layout.entries[i].local_header);
      EXPECT_EQ(moved.entries[i].offset_field_is_64, moved.entries[i].local_header >= 0xFFFFFFFFull);
    }
  }
}
