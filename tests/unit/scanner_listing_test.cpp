// The sequential walk and the contents listing over archives built here.
#include <gtest/gtest.h>

#include "archive/list_handler.h"
#include "platform/files.h"
#include "platform/text_encoding.h"
#include "tests/support/extraction_run.h"
#include "tests/support/zip_builder.h"

namespace {

class Listing : public ::testing::Test {
 protected:
  std::vector<std::string> list(const std::string& program_bytes) {
    write_file_bytes(temp_ / "program.exe", program_bytes);
    return run_listing(temp_ / "program.exe").list_lines;
  }
  static std::string line(unsigned long size, unsigned long compressed, const std::string& name,
                          bool encrypted = false) {
    char text[400];
    std::snprintf(text, sizeof text, "Size:%12lu Compressed:%12lu Component:%s%s", size, compressed,
                  encrypted ? platform::kEncryptedMark : " ", name.c_str());
    return text;
  }
  TempDir temp_;
};

TEST(CompressionRatio, ListedResults) {
  EXPECT_EQ(compression_ratio(1000, 545), 46u);
  EXPECT_EQ(compression_ratio(3, 1), 67u);
  EXPECT_EQ(compression_ratio(1000, 1000), 0u);
  EXPECT_EQ(compression_ratio(100, 0), 100u);
  EXPECT_EQ(compression_ratio(0, 0), 0u);
  EXPECT_EQ(compression_ratio(10, 20), 0u);
  EXPECT_EQ(compression_ratio(4294967295u, 0), 100u);
  EXPECT_EQ(compression_ratio(4294967295u, 4294967295u), 0u);
  EXPECT_EQ(compression_ratio(4294967295u, 1), 100u);
  EXPECT_EQ(compression_ratio(4294967295u, 2147483648u), 50u);
  EXPECT_EQ(compression_ratio(9000000000, 4500000000), 50u);  // 64-bit totals
  EXPECT_EQ(compression_ratio(1503000000000, 5), 100u);
}

TEST_F(Listing, LineFormatsAndTotals) {
  ZipEntry a = stored_entry("a.txt", std::string(6789, 'a'));
  a.uncompressed_size = 12345;
  a.size_override = true;
  ZipEntry b = stored_entry("b.txt", std::string(1500, 'b'));
  b.uncompressed_size = 3000 - 12345;  // wraps: the totals add modulo 2^32
  b.size_override = true;
  std::vector<std::string> lines =
      list(with_program_image(ZipBuilder().add(a).add(stored_entry("c", "")).bytes()));
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], "Size:       12345 Compressed:        6789 Component: a.txt");
  EXPECT_EQ(lines[1], line(0, 0, "c"));
  EXPECT_EQ(lines[2],
            "Original:   12345         Compressed:    6789   Ratio: 45%                    2 Files ");
}

TEST_F(Listing, EncryptedEntriesAreMarkedAndExplained) {
  ZipEntry e = stored_entry("s.txt", std::string(1500, 's'));
  e.flags = 1;
  e.uncompressed_size = 3000;
  e.size_override = true;
  std::vector<std::string> lines = list(with_program_image(ZipBuilder().add(e).bytes()));
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], line(3000, 1500, "s.txt", true));
  EXPECT_EQ(
      lines[1],
      std::string("Original:    3000         Compressed:    1500   Ratio: 50%                    1 Files ") +
          platform::kEncryptedMark + " Marks encrypted files - Password Required");
}

TEST_F(Listing, SizesFromTwoGigabytesUpPrintUnsigned) {
  for (uint32_t size : {0x80000000u, 3000000000u, 0xFFFFFFFEu}) {  // 0xFFFFFFFF marks a ZIP64 size
    ZipEntry e = stored_entry("big", "");
    e.uncompressed_size = size;
    e.size_override = true;
    std::vector<std::string> lines = list(with_program_image(ZipBuilder().add(e).bytes()));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], line(size, 0, "big"));
    // Wider than its 8 columns, the total pushes the rest of the line on.
    EXPECT_EQ(lines[1].rfind("Original:" + std::to_string(size) + std::string(9, ' ') + "Compressed:", 0), 0u)
        << lines[1];
  }
}

TEST_F(Listing, Zip64SizesAndTotalsPrintInFull) {
  ZipEntry a = stored_entry("a", "abc");
  a.uncompressed_size = 0xFFFFFFFF;
  a.size_override = true;
  a.extra = zip64_extra({3000000000});
  ZipEntry b = stored_entry("b", "de");
  b.uncompressed_size = b.compressed_size = 0xFFFFFFFF;
  b.size_override = true;
  b.extra = zip64_extra({1500000000000, 2});
  std::vector<std::string> lines = list(with_program_image(ZipBuilder().add(a).add(b).bytes()));
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], "Size:  3000000000 Compressed:           3 Component: a");
  EXPECT_EQ(lines[1], "Size:1500000000000 Compressed:           2 Component: b");  // wider: pushed on
  EXPECT_EQ(lines[2],
            "Original:1503000000000         Compressed:       5   Ratio:100%                    2 Files ");
}

TEST_F(Listing, Zip64MarkerWithoutItsFieldStopsTheWalk) {
  ZipEntry e = stored_entry("b", "data");
  e.compressed_size = 0xFFFFFFFF;
  write_file_bytes(temp_ / "program.exe",
                   with_program_image(ZipBuilder().add(stored_entry("a", "1")).add(e).bytes()));
  RunOutcome listing = run_listing(temp_ / "program.exe");
  EXPECT_EQ(listing.list_lines, std::vector<std::string>{line(1, 1, "a")});
  EXPECT_EQ(listing.message, "File type not supported");
}

// Their bodies hold what the 4-byte steps would take for a local header.
TEST_F(Listing, Zip64EndRecordAndLocatorArePassedOver) {
  std::string archive = ZipBuilder().add(stored_entry("a.txt", "a")).bytes();
  const size_t end_record = archive.size() - 22;
  std::string zip64_end = "PK\x06\x06";
  std::string body(44, '\0');
  body += std::string("PK\x03\x04", 4) + std::string(22, '\0') + std::string("\x05\0\0\0ghost", 9);
  put32(zip64_end, static_cast<uint32_t>(body.size()));
  put32(zip64_end, 0);
  std::string locator = "PK\x06\x07";
  put32(locator, 0);
  put32(locator, 0x04034B50);  // the offset's low half reads "PK\x03\x04"
  put32(locator, 0);
  put32(locator, 1);
  archive.insert(end_record, zip64_end + body + locator);
  std::vector<std::string> lines = list(with_program_image(archive));
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], line(1, 1, "a.txt"));
}

TEST_F(Listing, LongNamesAreCutToTheLine) {
  std::string name(250, 'n');
  std::vector<std::string> lines =
      list(with_program_image(ZipBuilder().add(stored_entry(name, "x")).bytes()));
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].size(), 254u);
  EXPECT_EQ(lines[0], line(1, 1, name).substr(0, 254));
}

TEST_F(Listing, DataDescriptorSignaturesAndOtherGroupsAreSteppedOver) {
  ZipEntry first = stored_entry("first.txt", "1234");  // 30 + 9 + 4: next record at 43
  std::string archive = ZipBuilder().add(first).bytes();
  // A descriptor and a stray "PK" group on the walk's 4-byte grid, which
  // continues from the end of the entry's data.
  std::string local = archive.substr(0, 43);
  std::string padding = std::string("PK\x07\x08") + std::string(12, '\0') + "PK\x09\x09";
  ZipBuilder second;
  second.add(stored_entry("second.txt", "2"));
  std::vector<std::string> lines = list(with_program_image(local + padding + second.bytes()));
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], line(4, 4, "first.txt"));
  EXPECT_EQ(lines[1], line(1, 1, "second.txt"));
}

TEST_F(Listing, SecondArchiveAfterTheEndRecordIsWalkedToo) {
  std::string one = ZipBuilder().add(stored_entry("one.txt", "1")).bytes();
  one += "1234";  // a group after the end record; the next archive follows on the same grid
  std::string two = ZipBuilder().add(stored_entry("two.txt", "22")).bytes();
  std::vector<std::string> lines = list(with_program_image(one + two + "xyz"));  // 3 trailing bytes
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[1], line(2, 2, "two.txt"));
  EXPECT_EQ(lines[2].substr(lines[2].size() - 12), "    2 Files ");
}

TEST_F(Listing, CommentsInCentralHeadersAndEndRecordAreSkipped) {
  std::string archive = ZipBuilder().add(stored_entry("a.txt", "a")).bytes();
  // Give the end record a 300-byte comment holding a local-header signature.
  archive[archive.size() - 2] = static_cast<char>(300 & 0xFF);
  archive[archive.size() - 1] = static_cast<char>(300 >> 8);
  std::string comment(300, 'c');
  comment.replace(0, 4, "PK\x03\x04");
  std::vector<std::string> lines = list(with_program_image(archive + comment));
  EXPECT_EQ(lines.size(), 2u);
}

TEST_F(Listing, LocalHeaderCutShortEndsTheWalk) {
  std::string archive = ZipBuilder().add(stored_entry("a.txt", "a")).add(stored_entry("b.txt", "b")).bytes();
  size_t second = 30 + 5 + 1;
  for (size_t cut : {second + 4, second + 20, second + 31}) {  // inside the fixed part, inside the name
    std::vector<std::string> lines = list(with_program_image(archive.substr(0, cut)));
    ASSERT_EQ(lines.size(), 2u) << cut;
    EXPECT_EQ(lines[0], line(1, 1, "a.txt"));
  }
}

TEST_F(Listing, CompressedSizePastTheEndOfTheFile) {
  ZipEntry e = stored_entry("a.txt", "abc");
  e.compressed_size = 1 << 30;
  std::vector<std::string> lines = list(with_program_image(ZipBuilder().add(e).bytes()));
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], line(3, 1 << 30, "a.txt"));
}

TEST_F(Listing, NamesShowThePlatformSeparator) {
  std::vector<std::string> lines =
      list(with_program_image(ZipBuilder().add(stored_entry("docs/readme.txt", "r")).bytes()));
  std::string name = "docs_readme.txt";
  name[4] = platform::kSeparator;
  EXPECT_EQ(lines[0], line(1, 1, name));
}

}  // namespace
