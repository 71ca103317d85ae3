// The extraction pass over archives built here: what lands where, what the
// user is asked, and how each failure ends the run.
#include <gtest/gtest.h>

#include "platform/files.h"
#include "tests/support/extraction_run.h"
#include "tests/support/zip_builder.h"

namespace {

class Extraction : public ::testing::Test {
 protected:
  RunOutcome extract(const ZipBuilder& zip, std::deque<bool> answers = {}, bool otherwise = true) {
    write_file_bytes(program_, with_program_image(zip.bytes()));
    return run_extraction(program_, target_.path(), std::move(answers), otherwise);
  }
  // Every regular file below `root`, relative names.
  static std::vector<std::string> files_below(const fs::path& root) {
    std::vector<std::string> names;
    for (auto& e : fs::recursive_directory_iterator(root))
      if (e.is_regular_file()) names.push_back(fs::relative(e.path(), root).generic_string());
    std::sort(names.begin(), names.end());
    return names;
  }
  TempDir outer_;
  fs::path program_ = outer_ / "program.exe";
  TempDir target_;
};

TEST_F(Extraction, FileAndDirectoryEntries) {
  ZipBuilder zip;
  zip.add(stored_entry("a.txt", "alpha"));
  zip.add(directory_entry("d/"));
  zip.add(stored_entry("sub/x.bin", std::string("\0\1\2", 3)));
  RunOutcome run = extract(zip);
  EXPECT_FALSE(run.fatal()) << run.message;
  EXPECT_EQ(run.message, "Extraction Complete 2 files processed");
  std::string nested = " sub_x.bin ";
  nested[4] = platform::kSeparator;
  EXPECT_EQ(run.list_lines, (std::vector<std::string>{" a.txt ", nested}));
  EXPECT_TRUE(fs::is_directory(target_ / "d"));
  EXPECT_EQ(read_file_bytes(target_ / "sub" / "x.bin"), std::string("\0\1\2", 3));
  EXPECT_EQ(modification_time_text(target_ / "a.txt"), "2025-03-05T12:01:00");
}

// As local time: the suite runs in UTC (bind_e2e_test.py's times check runs
// in other zones).
TEST_F(Extraction, TimeStampIsTheDosTimeAsLocalTime) {
  ZipEntry e = stored_entry("t.txt", "t");
  e.dos_date = (21 << 9) | (2 << 5) | 3;  // 2001-02-03
  e.dos_time = (4 << 11) | (5 << 5) | 3;  // 04:05:06
  RunOutcome run = extract(ZipBuilder().add(e));
  EXPECT_FALSE(run.fatal());
  EXPECT_EQ(modification_time_text(target_ / "t.txt"), "2001-02-03T04:05:06");
}

TEST_F(Extraction, WrongCrcStopsAfterTheFileIsWrittenAndStamped) {
  ZipEntry e = stored_entry("c.txt", "content");
  e.crc = 0x12345678;
  e.crc_override = true;
  RunOutcome run = extract(ZipBuilder().add(e).add(stored_entry("after.txt", "never")));
  EXPECT_EQ(run.exit_status, 1);
  EXPECT_EQ(run.message, "CRC error -- SFX stopped");
  EXPECT_EQ(read_file_bytes(target_ / "c.txt"), "content");
  EXPECT_EQ(modification_time_text(target_ / "c.txt"), "2025-03-05T12:01:00");
  EXPECT_FALSE(fs::exists(target_ / "after.txt"));
}

TEST_F(Extraction, EntryWithNoOutputHasCrcZero) {
  ZipEntry e = stored_entry("empty.txt", "");
  EXPECT_EQ(reference_crc32(""), 0u);
  RunOutcome run = extract(ZipBuilder().add(e));
  EXPECT_FALSE(run.fatal()) << run.message;
  EXPECT_TRUE(fs::exists(target_ / "empty.txt"));
}

TEST_F(Extraction, ExistingReadOnlyFilesAreReplaced) {
  fs::create_directory(target_ / "sub");
  for (fs::path p : {target_ / "r.txt", target_ / "sub" / "r.txt"}) {
    write_file_bytes(p, "old contents that are longer");
    fs::permissions(p, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  }
  RunOutcome run =
      extract(ZipBuilder().add(stored_entry("r.txt", "new")).add(stored_entry("sub/r.txt", "new2")));
  EXPECT_FALSE(run.fatal()) << run.message;
  EXPECT_EQ(read_file_bytes(target_ / "r.txt"), "new");
  EXPECT_EQ(read_file_bytes(target_ / "sub" / "r.txt"), "new2");
}

TEST_F(Extraction, MissingTargetIsCreated) {
  fs::path deep = target_ / "one" / "two";
  write_file_bytes(program_, with_program_image(ZipBuilder().add(stored_entry("f.txt", "f")).bytes()));
  RunOutcome run = run_extraction(program_, deep);
  EXPECT_FALSE(run.fatal()) << run.message;
  EXPECT_EQ(read_file_bytes(deep / "f.txt"), "f");
}

TEST_F(Extraction, UncreatableTargetStopsWithOutputDirectoryNotAvailable) {
  write_file_bytes(target_ / "plainfile", "x");
  write_file_bytes(program_, with_program_image(ZipBuilder().add(stored_entry("f.txt", "f")).bytes()));
  RunOutcome run = run_extraction(program_, target_ / "plainfile" / "below");
  EXPECT_EQ(run.exit_status, 1);
  EXPECT_EQ(run.message, "Output directory not available");
}

TEST_F(Extraction, EntryDirectoryThatCannotBeCreated) {
  write_file_bytes(target_ / "blocker", "a file where a directory is needed");
  RunOutcome run = extract(ZipBuilder().add(stored_entry("blocker/f.txt", "f")));
  EXPECT_EQ(run.exit_status, 1);
  EXPECT_EQ(run.message, "Unable to create output directory");
}

TEST_F(Extraction, UnopenableOutputStopsUnderItsName) {
  fs::create_directory(target_ / "taken");
  fs::create_directory(target_ / "taken" / "inside");  // a directory where the file must go
  RunOutcome run = extract(ZipBuilder().add(stored_entry("done.txt", "d")).add(stored_entry("taken", "f")));
  EXPECT_EQ(run.exit_status, 1);
  EXPECT_EQ(run.message, "Error opening output file");
  // Under the name of the entry it concerns, not the one before.
  EXPECT_EQ(run.list_lines, (std::vector<std::string>{" done.txt ", " taken "}));
}

TEST_F(Extraction, EncryptedEntriesAskAndAreSkippedOnYes) {
  ZipEntry secret = stored_entry("secret.txt", "xxxx");
  secret.flags = 1;
  RunOutcome run = extract(ZipBuilder().add(secret).add(stored_entry("plain.txt", "p")));
  EXPECT_FALSE(run.fatal());
  ASSERT_EQ(run.questions.size(), 1u);
  EXPECT_EQ(run.questions[0].text, "Encrypted File Continue?");
  EXPECT_EQ(run.questions[0].caption, "secret.txt");
  EXPECT_FALSE(fs::exists(target_ / "secret.txt"));
  EXPECT_EQ(read_file_bytes(target_ / "plain.txt"), "p");
  EXPECT_EQ(run.message, "Extraction Complete 1 files processed");
}

TEST_F(Extraction, OnlyEncryptedMeansNothingExtracted) {
  ZipEntry secret = stored_entry("secret.txt", "xxxx");
  secret.flags = 1;
  RunOutcome run = extract(ZipBuilder().add(secret));
  EXPECT_EQ(run.message, "Nothing Extracted - Bound Zip File Not Present");
}

TEST_F(Extraction, AnsweringNoStopsAtYourRequest) {
  ZipEntry secret = stored_entry("secret.txt", "xxxx");
  secret.flags = 1;
  RunOutcome encrypted = extract(ZipBuilder().add(secret), {false});
  EXPECT_EQ(encrypted.exit_status, 1);
  EXPECT_EQ(encrypted.message, "Stopped at your request");

  ZipEntry odd = stored_entry("odd.dat", "zz");
  odd.method = 99;
  RunOutcome unsupported = extract(ZipBuilder().add(odd).add(stored_entry("later.txt", "l")), {false});
  EXPECT_EQ(unsupported.exit_status, 1);
  EXPECT_EQ(unsupported.message, "Stopped at your request");
  EXPECT_FALSE(fs::exists(target_ / "later.txt"));
}

TEST_F(Extraction, UnsupportedMethodLeavesAnEmptyCountedFile) {
  ZipEntry odd = stored_entry("odd.dat", "zzzz");
  odd.method = 7;
  RunOutcome run = extract(ZipBuilder().add(odd).add(stored_entry("later.txt", "l")));
  EXPECT_FALSE(run.fatal());
  ASSERT_EQ(run.questions.size(), 1u);
  EXPECT_EQ(run.questions[0].text, " Unable To Extract The Above Component Continue? ");
  EXPECT_EQ(run.questions[0].caption, "odd.dat");
  EXPECT_EQ(fs::file_size(target_ / "odd.dat"), 0u);
  EXPECT_EQ(read_file_bytes(target_ / "later.txt"), "l");
  EXPECT_EQ(run.message, "Extraction Complete 2 files processed");
}

// Skipped entries (one whose bit input was started, one whose was not) count
// as passed; a long entry reports within itself at its window writes.
TEST_F(Extraction, ProgressOnlyGrowsAndEndsAtTheTotal) {
  ZipEntry secret = stored_entry("secret.txt", "xxxx");
  secret.flags = 1;
  ZipEntry odd = stored_entry("odd.dat", "zzzzzz");
  odd.method = 7;
  const std::string long_content(200000, 'L');
  ZipBuilder zip;
  zip.add(stored_entry("long.bin", long_content)).add(secret).add(odd).add(stored_entry("last.txt", "end"));
  const uint64_t total = long_content.size() + 4 + 6 + 3;
  write_file_bytes(program_, with_program_image(zip.bytes()));
  RunOutcome run = run_extraction(program_, target_.path(), {}, true, total);
  ASSERT_FALSE(run.fatal()) << run.message;
  ASSERT_FALSE(run.progress.empty());
  uint64_t previous = 0;
  int inside_long_entry = 0;
  for (auto [done, reported_total] : run.progress) {
    EXPECT_EQ(reported_total, total);
    EXPECT_GE(done, previous);
    EXPECT_LE(done, total);
    if (done > 0 && done < long_content.size()) ++inside_long_entry;
    previous = done;
  }
  EXPECT_GE(inside_long_entry, 3);  // one per 32 KB written
  EXPECT_EQ(run.progress.back(), std::make_pair(total, total));
}

TEST_F(Extraction, DataDescriptorWithoutSizesIsRefused) {
  // A plain 0, and a streaming ZIP64 writer's marker with a ZIP64 field of zeros.
  const struct {
    int64_t compressed_size;
    std::string extra;
  } cases[] = {{0, ""}, {0xFFFFFFFF, zip64_extra({0, 0})}};
  for (const auto& c : cases) {
    ZipEntry streamed = stored_entry("streamed.txt", "");
    streamed.flags = 0x0008;
    streamed.data = "data whose length only the descriptor knows";
    streamed.compressed_size = c.compressed_size;
    streamed.extra = c.extra;
    RunOutcome run = extract(ZipBuilder().add(streamed));
    EXPECT_EQ(run.exit_status, 1) << c.compressed_size;
    EXPECT_EQ(run.message, "File type not supported") << c.compressed_size;
    EXPECT_EQ(run.files_counted, 1) << c.compressed_size;
    EXPECT_EQ(fs::file_size(target_ / "streamed.txt"), 0u) << c.compressed_size;
  }
}

TEST_F(Extraction, DataDescriptorWithSizesInTheHeaderIsExtracted) {
  ZipEntry e = stored_entry("sized.txt", "known size");
  e.flags = 0x0008;
  RunOutcome run = extract(ZipBuilder().add(e));
  EXPECT_FALSE(run.fatal()) << run.message;
  EXPECT_EQ(read_file_bytes(target_ / "sized.txt"), "known size");
}

// As with a deflated entry: the bytes copied so far stay in the file.
TEST_F(Extraction, StoredDataBeyondTheFileIsADataIntegrityError) {
  ZipEntry e = stored_entry("cut.bin", std::string(40000, 'c'));
  e.compressed_size = 100000;
  std::string archive = ZipBuilder().add(e).bytes();
  RunOutcome run = extract(ZipBuilder().add(e));
  EXPECT_EQ(run.exit_status, 1);
  EXPECT_EQ(run.message, "Data integrity error -- run stopped");
  // The file ends inside the data: everything behind the local header is
  // copied, the central directory and the end record included.
  EXPECT_EQ(read_file_bytes(target_ / "cut.bin"), archive.substr(30 + 7));
}

TEST_F(Extraction, StoredEntriesAcrossWindowAndChunkBoundaries) {
  ZipBuilder zip;
  for (size_t size : {32767u, 32768u, 32769u, 40000u, 16384u * 3 + 1}) {
    std::string content(size, '\0');
    for (size_t i = 0; i < size; ++i) content[i] = static_cast<char>((i * 131 + size) & 0xFF);
    zip.add(stored_entry(std::to_string(size) + ".bin", content));
  }
  RunOutcome run = extract(zip);
  EXPECT_FALSE(run.fatal()) << run.message;
  EXPECT_EQ(run.files_counted, 5);
}

// Names that try to leave the target directory land below it; names that
// cannot be files on the platform are not extracted.
TEST_F(Extraction, HostileNamesStayBelowTheTarget) {
  ZipBuilder zip;
  zip.add(stored_entry("../up.txt", "1"));
  zip.add(stored_entry("/abs.txt", "2"));
  zip.add(stored_entry("C:\\drive.txt", "3"));
  zip.add(stored_entry("a/../../deep.txt", "4"));
  zip.add(stored_entry("..\\..\\back.txt", "5"));
  zip.add(stored_entry("./dot/./x.txt", "6"));
  zip.add(directory_entry("../outdir/"));
  RunOutcome run = extract(zip);
  EXPECT_FALSE(run.fatal()) << run.message;
  EXPECT_EQ(files_below(target_.path()), (std::vector<std::string>{"a/deep.txt", "abs.txt", "back.txt",
                                                                   "dot/x.txt", "drive.txt", "up.txt"}));
  EXPECT_TRUE(fs::is_directory(target_ / "outdir"));
  EXPECT_EQ(files_below(outer_.path()), std::vector<std::string>{"program.exe"});
}

TEST_F(Extraction, NamesThatCannotBeFilesAreAskedAbout) {
  ZipBuilder zip;
  zip.add(stored_entry("..", "dots only"));
  zip.add(stored_entry(std::string(300, 'n'), "too long"));
  if (platform::kHasDrives) {
    zip.add(stored_entry("CON", "device"));
    zip.add(stored_entry("dir/nul.txt", "device"));
    zip.add(stored_entry("dir/a:b.txt", "stream"));
  }
  zip.add(stored_entry("fine.txt", "ok"));
  RunOutcome run = extract(zip);
  EXPECT_FALSE(run.fatal()) << run.message;
  EXPECT_EQ(run.questions.size(), platform::kHasDrives ? 5u : 2u);
  for (const Question& q : run.questions)
    EXPECT_EQ(q.text, " Unable To Extract The Above Component Continue? ");
  EXPECT_EQ(files_below(target_.path()), std::vector<std::string>{"fine.txt"});
  EXPECT_EQ(run.message, "Extraction Complete 1 files processed");
}

// "./", "/" and "../" as directory entries name the target itself: nothing to
// ask, list or count. A file entry of that kind is still asked about.
TEST_F(Extraction, DirectoryEntriesNamingTheTargetAreSkippedSilently) {
  ZipBuilder zip;
  for (const char* name : {"./", "/", "../", "C:/"}) zip.add(directory_entry(name));
  zip.add(stored_entry("..", "a file with no name left")).add(stored_entry("a.txt", "kept"));
  RunOutcome run = extract(zip);
  EXPECT_FALSE(run.fatal()) << run.message;
  ASSERT_EQ(run.questions.size(), 1u);
  EXPECT_EQ(run.questions[0].caption, "");
  EXPECT_EQ(run.message, "Extraction Complete 1 files processed");
  RunOutcome listing = run_listing(program_);
  EXPECT_EQ(listing.list_lines.size(), 3u);  // "..", a.txt and the totals
  EXPECT_NE(listing.list_lines.back().find("    2 Files"), std::string::npos) << listing.list_lines.back();
}

TEST_F(Extraction, ProgressLineIsCutToTheLineBuffer) {
  // 255 bytes in 188 characters: a path Windows takes even below a long target.
  std::string name = std::string(120, 'd') + "/";
  for (int i = 0; i < 67; ++i) name += "\xC3\xA9";
  ZipEntry entry = stored_entry(name, "x");
  entry.flags = 0x0800;  // UTF-8
  RunOutcome run = extract(ZipBuilder().add(entry));
  EXPECT_FALSE(run.fatal()) << run.message;
  ASSERT_EQ(run.list_lines.size(), 1u);
  EXPECT_EQ(run.list_lines[0].size(), 254u);
}

}  // namespace
