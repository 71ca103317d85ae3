// Damaged archives made from good ones: cut short, bits flipped, lengths
// absurd, names hostile. Whatever the damage, a run ends as the user may see
// it end (a closing message or one of the fatal messages), quickly, in
// bounded memory, and writes nothing outside the target directory.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "tests/malformed/archive_layout.h"
#include "tests/malformed/case_runner.h"
#include "tests/malformed/malformed_inputs.h"
#include "tests/support/zip_builder.h"

namespace {

constexpr long kMemoryBoundKib = 64 * 1024;
constexpr double kCaseSeconds = 5;

int files_opened(const std::vector<RecordSpan>& layout) {
  return static_cast<int>(
      std::count_if(layout.begin(), layout.end(), [](const RecordSpan& r) { return r.opens_file; }));
}

class MalformedArchive : public ::testing::Test {
 protected:
  // Runs the archive behind a program image; checks what every case must
  // hold and counts its ending.
  CaseResult run(const std::string& archive, const std::string& what) {
    CaseResult r = run_case(with_program_image(archive));
    EXPECT_TRUE(r.specified) << what << ": " << r.ending;
    EXPECT_TRUE(r.strays.empty()) << what << ": wrote " << (r.strays.empty() ? "" : r.strays.front());
    EXPECT_TRUE(r.program_intact || !r.specified) << what << ": the program file changed";
    EXPECT_LT(r.peak_growth_kib, kMemoryBoundKib) << what;
    EXPECT_LT(r.seconds, kCaseSeconds) << what;
    tally_->add(r);
    return r;
  }
  void count_as(const std::string& group) { tally_ = std::make_unique<EndingTally>(group); }

  std::unique_ptr<EndingTally> tally_;
};

TEST_F(MalformedArchive, BaseArchivesExtractCompletely) {
  count_as("base archives");
  for (const BaseArchive& base : base_archives()) {
    ASSERT_FALSE(base.layout.empty()) << base.name << " is not a gapless archive";
    CaseResult r = run(base.archive, base.name);
    EXPECT_EQ(r.exit_status, 0) << base.name << ": " << r.ending;
    EXPECT_EQ(r.files_counted, files_opened(base.layout)) << base.name;
  }
}

// A cut through a header ends the walk as the end of the file would, after
// the entries before it; a cut through a stored entry's data stops the run.
TEST_F(MalformedArchive, CutAtRecordBoundariesAndInsideData) {
  count_as("cut short");
  for (const BaseArchive& base : base_archives()) {
    int files_before = 0;
    size_t central_records = 0;
    for (const RecordSpan& r : base.layout) {
      // One central header stands for all: they are read alike.
      if (r.kind == RecordKind::kCentral && central_records++ > 0 && r.end != base.layout.back().start)
        continue;
      // Inside the signature, the fixed part, the name and the extra field.
      std::set<size_t> header_cuts = {r.start, r.start + 2, (r.start + r.fixed_end) / 2, r.fixed_end + 1,
                                      r.name_end + 1};
      for (size_t cut : header_cuts) {
        if (cut >= r.data_start) continue;
        std::string what = base.name + " cut at " + std::to_string(cut);
        CaseResult result = run(base.archive.substr(0, cut), what);
        EXPECT_EQ(result.exit_status, 0) << what << ": " << result.ending;
        EXPECT_EQ(result.files_counted, files_before) << what;
      }
      if (r.kind == RecordKind::kLocal) {
        std::set<size_t> data_cuts = {r.data_start, (r.data_start + r.end) / 2, r.end - 1};
        for (size_t cut : data_cuts) {
          if (cut < r.data_start || cut >= r.end) continue;
          std::string what = base.name + " cut at " + std::to_string(cut) + " in the data";
          CaseResult result = run(base.archive.substr(0, cut), what);
          if (!r.decoded) {
            EXPECT_EQ(result.exit_status, 0) << what << ": " << result.ending;
            EXPECT_EQ(result.files_counted, files_before + (r.opens_file ? 1 : 0)) << what;
          } else if (r.method == 0) {
            EXPECT_EQ(result.ending, "Data integrity error -- run stopped") << what;
          }
        }
        if (r.opens_file) ++files_before;
      }
    }
  }
}

// Single flipped bits, half of them in the headers (fixed part and name).
TEST_F(MalformedArchive, FlippedBitsInHeadersAndData) {
  count_as("flipped bits");
  for (const DamagedArchive& damaged : flipped_bit_archives()) {
    run(damaged.archive, damaged.what);
  }
}

// Lengths and sizes far beyond the data: the run reads no more than the file
// holds and allocates nothing by the claimed sizes.
TEST_F(MalformedArchive, AbsurdLengthsAndSizes) {
  count_as("absurd lengths");
  for (const DamagedArchive& damaged : absurd_length_archives()) {
    CaseResult result = run(damaged.archive, damaged.what);
    // Data that the file does not hold cannot decode to the entry.
    if (damaged.data_beyond_end) {
      EXPECT_EQ(result.exit_status, 1) << damaged.what;
    }
  }
}

// Sizes marked as ZIP64 (0xFFFFFFFF) whose ZIP64 field is missing or cut:
// the walk cannot know where the data ends, so the run stops at that header.
TEST_F(MalformedArchive, Zip64SizesWithoutAWholeField) {
  count_as("zip64 sizes");
  const std::string content = "the entry's own data";
  const uint64_t size = content.size();
  const std::string whole = zip64_extra({size, size});
  struct Case {
    const char* what;
    bool marks_compressed, marks_uncompressed;
    std::string extra;
    const char* ending;  // a fatal message, or "" for a completed run
  };
  const Case cases[] = {
      {"both sizes in the field", true, true, whole, ""},
      {"the uncompressed size in the field", false, true, zip64_extra({size}), ""},
      {"compressed size marked, no extra field", true, false, "", "File type not supported"},
      {"uncompressed size marked, no extra field", false, true, "", "File type not supported"},
      {"marked, another field only", true, true, std::string("UT\x01\x00\x00", 5), "File type not supported"},
      {"both marked, an empty field", true, true, zip64_extra({}), "File type not supported"},
      {"both marked, one value", true, true, zip64_extra({size}), "File type not supported"},
      {"the field cut by the extra field's end", true, true, whole.substr(0, 13), "File type not supported"},
  };
  for (uint16_t method : {0, 8}) {
    for (const Case& c : cases) {
      ZipEntry e = stored_entry("zip64.txt", content);
      if (method == 8) {
        e.method = 8;
        e.data = std::string("\x01", 1);  // one final stored block
        put16(e.data, static_cast<uint16_t>(content.size()));
        put16(e.data, static_cast<uint16_t>(~content.size()));
        e.data += content;
      }
      // The values stand for the data's own size: the deflated entry's is 5 more.
      e.extra = method == 8 && c.extra == whole ? zip64_extra({size, size + 5}) : c.extra;
      if (c.marks_compressed) e.compressed_size = 0xFFFFFFFF;
      if (c.marks_uncompressed) e.uncompressed_size = 0xFFFFFFFF;
      e.size_override = c.marks_uncompressed;
      std::string what = std::string(c.what) + ", method " + std::to_string(method);
      CaseResult r = run(ZipBuilder()
                             .add(stored_entry("before.txt", "before"))
                             .add(e)
                             .add(stored_entry("after.txt", "after"))
                             .bytes(),
                         what);
      EXPECT_EQ(r.ending, *c.ending ? c.ending : "Extraction Complete") << what;
      EXPECT_EQ(r.files_counted, *c.ending ? 1 : 3) << what;
    }
  }
}

// Names that try to leave the target directory, or cannot be files at all.
TEST_F(MalformedArchive, HostileNames) {
  count_as("hostile names");

  for (const std::string& name : hostile_names()) {
    for (bool directory : {false, true}) {
      std::string stored_name = directory ? name + "/" : name;
      std::string archive =
          ZipBuilder()
              .add(stored_entry("before.txt", "before"))
              .add(directory ? directory_entry(stored_name) : stored_entry(stored_name, "hostile"))
              .add(stored_entry("after.txt", "after"))
              .bytes();
      std::string what = "name \"" + stored_name.substr(0, 80) + "\"";
      CaseResult result = run(archive, what);
      EXPECT_EQ(result.exit_status, 0) << what << ": " << result.ending;
    }
  }
  // Entries in each other's way: a file where a directory must go and the reverse.
  const std::vector<std::vector<ZipEntry>> clashes = {
      {stored_entry("f", "file"), stored_entry("f/x.txt", "below a file")},
      {directory_entry("d/"), stored_entry("d", "a file over a directory")},
      {stored_entry("same.txt", "one"), stored_entry("same.txt", "two")},
      {stored_entry("f", "file"), directory_entry("f/")},
  };
  for (const std::vector<ZipEntry>& entries : clashes) {
    ZipBuilder zip;
    for (const ZipEntry& e : entries) zip.add(e);
    run(zip.bytes(), "clash " + entries[0].name + " / " + entries[1].name);
  }
}

}  // namespace
