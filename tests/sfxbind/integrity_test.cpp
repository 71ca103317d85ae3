// What the binder refuses about the archive itself, without --force: data
// that does not match its CRC-32 or does not decode, two headers of one entry
// that disagree, malformed extra fields. Forced, it binds and names them.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "sfxbind/checks/integrity_reasons.h"
#include "sfxbind/cli/run_binding.h"
#include "tests/sfxbind/bind_test_support.h"

using namespace sfxbind;

namespace {

std::string damaged_crc() {
  ZipEntry e = stored_entry("a.txt", "some stored text");
  e.crc_override = true;
  e.crc = 0x12345678;
  return ZipBuilder().add(e).bytes();
}

std::string damaged_deflate() {
  ZipEntry e = stored_entry("d.bin", "what it should decode to");
  e.method = 8;
  e.data = "\xFF\xFF\xFF\xFF";  // block type 3 does not exist
  return ZipBuilder().add(e).bytes();
}

std::string name_mismatch() {
  std::string archive = ZipBuilder().add(stored_entry("file1", "x")).bytes();
  archive[30 + 4] = '2';  // the local header's name only
  return archive;
}

std::string malformed_extra() {
  ZipEntry e = stored_entry("x.txt", "x");
  e.extra = std::string(
      "\x55\x54\x20\x00"
      "abc",
      7);  // 32 bytes announced, 3 there
  return ZipBuilder().add(e).bytes();
}

// Two ZIP64 fields: the first agrees with the central directory, the second not.
std::string two_zip64_fields() {
  ZipEntry e = stored_entry("x.txt", "x");
  const char field[] = "\x01\x00\x10\x00\x01\0\0\0\0\0\0\0\x01\0\0\0\0\0\0\0";
  e.extra = std::string(field, 20) + std::string(field, 20);
  e.extra[24] = e.extra[32] = '\x09';
  return ZipBuilder().add(e).bytes();
}

// A Unicode path field that names "fileA" in the central directory and
// "fileB" in the local header.
std::string unicode_path_mismatch() {
  ZipEntry e = stored_entry("file1", "x");
  uint32_t crc = reference_crc32("file1");
  e.extra = std::string("\x75\x70\x0A\x00\x01", 5);
  for (int i = 0; i < 4; ++i) e.extra += static_cast<char>(crc >> (8 * i));
  e.extra += "fileA";
  std::string archive = ZipBuilder().add(e).bytes();
  archive[30 + 5 + 13] = 'B';
  return archive;
}

std::string damaged_shrink() {
  std::string archive = read_file_bytes(corpus_dir() / "a02_shrink_basic.zip");
  archive[325 + 30 + 21 + 100] ^= 0x55;  // inside docs/notes/readme.txt's shrunk data
  return archive;
}

}  // namespace

TEST(Integrity, EachRefusalNamesTheEntryAndWhy) {
  struct Case {
    std::string archive;
    std::string refusal;  // the first refused line starts with it
  } cases[] = {
      {damaged_crc(),
       "sfxbind: refused: a.txt: its data does not match its CRC-32 (12345678; the data gives "},
      {damaged_deflate(),
       "sfxbind: refused: d.bin: its data does not decode (method 8 (deflate)): zlib finds it damaged: "
       "repair or "
       "re-create the archive"},
      {name_mismatch(),
       "sfxbind: refused: file1: its local header and the central directory disagree on its name (\"file2\" "
       "and \"file1\"): ZIP tools show one, the self-extractor writes the other: repair or re-create the "
       "archive"},
      {malformed_extra(),
       "sfxbind: refused: x.txt: its extra field is malformed (a record runs past its end, in its local "
       "header): repair or re-create the archive"},
      {two_zip64_fields(),
       "sfxbind: refused: x.txt: its extra field holds two records of one kind (0x0001, in its local "
       "header): "
       "repair or re-create the archive"},
      {unicode_path_mismatch(),
       "sfxbind: refused: file1: its local header and the central directory disagree on its name as its "
       "Unicode path field gives it: ZIP tools show one, the self-extractor writes the other: repair or "
       "re-create the archive"},
      {damaged_shrink(), "sfxbind: refused: docs/notes/readme.txt: its data "},
  };
  for (const Case& c : cases) {
    TempDir dir;
    write_file_bytes(dir / "in.zip", c.archive);
    Options o;
    o.input = (dir / "in.zip").string();
    o.output = (dir / "out").string();
    for (bool force : {false, true}) {
      o.force = force;
      std::ostringstream out, err;
      int status = run_binding(o, to_bytes("#!stub"), out, err);
      std::string text = err.str();
      std::string want = c.refusal;
      if (force) want.replace(want.find("refused"), 7, "forced");
      EXPECT_EQ(text.substr(0, want.size()), want) << text;
      // The reason begins with one --help lists: "sfxbind: LABEL: NAME: REASON".
      size_t at = 0;
      for (int field = 0; field < 3; ++field) at = text.find(": ", at) + 2;
      std::string reason = text.substr(at, text.find('\n') - at);
      EXPECT_TRUE(std::any_of(std::begin(integrity::kAll), std::end(integrity::kAll),
                              [&](const char* listed) { return reason.rfind(listed, 0) == 0; }))
          << reason;
      EXPECT_EQ(status, force ? kBound : kRefused) << text;
      EXPECT_EQ(fs::exists(dir / "out"), force) << text;
      if (!force) {
        EXPECT_EQ(text.substr(text.rfind("sfxbind: nothing")),
                  "sfxbind: nothing written: 1 entry would not extract as expected (--force binds anyway)\n");
      }
    }
  }
}
