// A file the user already has under an entry's name, over every way an entry
// can end: replaced only by an entry extracted and checked, otherwise left
// byte for byte; no new file left behind anywhere. Without such a file, each
// ending leaves what it always has.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/mount.h>
#endif

#include "tests/support/extraction_run.h"
#include "tests/support/zip_builder.h"

namespace {

// What an ending leaves where no file of the name was.
enum class Left { kWhole, kPart, kEmpty, kNothing };

struct Ending {
  const char* name;
  ZipEntry entry;
  std::deque<bool> answers;
  size_t cancel_at_report;
  bool disk_full;  // the target is a 64 KiB tmpfs (Linux, as root)
  const char* message;
  Left left;
};

ZipEntry entry_with(
    const std::string& content, void (*change)(ZipEntry&) = [](ZipEntry&) {}) {
  ZipEntry e = stored_entry("x.txt", content);
  change(e);
  return e;
}

const std::string kLong(200000, 'L');  // 6 window writes

const Ending kEndings[] = {
    {"extracted",
     entry_with("new contents"),
     {},
     0,
     false,
     "Extraction Complete 1 files processed",
     Left::kWhole},
    {"crc_error",
     entry_with("new contents", [](ZipEntry& e) { e.crc = 1, e.crc_override = true; }),
     {},
     0,
     false,
     "CRC error -- SFX stopped",
     Left::kWhole},
    {"data_integrity",
     entry_with(std::string(40000, 'c'), [](ZipEntry& e) { e.compressed_size = 100000; }),
     {},
     0,
     false,
     "Data integrity error -- run stopped",
     Left::kPart},
    {"unsupported_yes",
     entry_with("zz", [](ZipEntry& e) { e.method = 7; }),
     {true},
     0,
     false,
     "Extraction Complete 1 files processed",
     Left::kEmpty},
    {"unsupported_no",
     entry_with("zz", [](ZipEntry& e) { e.method = 7; }),
     {false},
     0,
     false,
     "Stopped at your request",
     Left::kEmpty},
    {"data_descriptor",
     entry_with("", [](ZipEntry& e) { e.flags = 8, e.data = "streamed", e.compressed_size = 0; }),
     {},
     0,
     false,
     "File type not supported",
     Left::kEmpty},
    {"encrypted_skipped",
     entry_with("xxxx", [](ZipEntry& e) { e.flags = 1; }),
     {true},
     0,
     false,
     "Nothing Extracted - Bound Zip File Not Present",
     Left::kNothing},
    // Reports: pass start, local header, entry start, then one per window write.
    {"cancel", entry_with(kLong), {true}, 5, false, "Stopped at your request", Left::kPart},
    {"disk_full", entry_with(kLong), {}, 0, true, "Error writing output file", Left::kPart},
};

// A tmpfs too small for the long entry over `dir`, for the scope's length.
class SmallDisk {
 public:
  SmallDisk(const fs::path& dir, [[maybe_unused]] bool wanted) : dir_(dir) {
#ifndef _WIN32
    mounted_ = wanted && ::mount("tmpfs", dir.c_str(), "tmpfs", 0, "size=64k") == 0;
#endif
  }
  ~SmallDisk() {
#ifndef _WIN32
    if (mounted_) ::umount(dir_.c_str());
#endif
  }
  bool mounted() const { return mounted_; }

 private:
  fs::path dir_;
  bool mounted_ = false;
};

std::vector<std::string> names_in(const fs::path& dir) {
  std::vector<std::string> names;
  for (auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
  return names;
}

class ExistingFiles : public ::testing::TestWithParam<bool> {};

TEST_P(ExistingFiles, OnlyAProvenEntryReplacesAFile) {
  const bool existing = GetParam();
  for (const Ending& ending : kEndings) {
    SCOPED_TRACE(ending.name);
    TempDir outer, target;
    SmallDisk disk(target.path(), ending.disk_full);
    if (ending.disk_full && !disk.mounted()) {
      std::printf("[ SKIPPED  ] %s: no tmpfs can be mounted here (Linux, as root)\n", ending.name);
      continue;
    }
    const fs::path program = outer / "program.exe", file = target / "x.txt";
    const std::string precious = "precious data";
    if (existing) {
      write_file_bytes(file, precious);
      fs::permissions(file, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    }
    const fs::perms before = existing ? fs::status(file).permissions() : fs::perms::none;
    write_file_bytes(program, with_program_image(ZipBuilder().add(ending.entry).bytes()));
    RunOutcome run = run_extraction(program, target.path(), ending.answers, true, 0, ending.cancel_at_report);
    EXPECT_EQ(run.message, ending.message);
    const std::string& content = ending.entry.content;
    if (existing && ending.left == Left::kWhole && !run.fatal()) {
      EXPECT_EQ(read_file_bytes(file), content);
      EXPECT_EQ(modification_time_text(file), "2025-03-05T12:01:00");
    } else if (existing) {
      EXPECT_EQ(read_file_bytes(file), precious);
      EXPECT_EQ(fs::status(file).permissions(), before);
    } else if (ending.left == Left::kNothing) {
      EXPECT_FALSE(fs::exists(file));
    } else {
      const std::string got = read_file_bytes(file);
      const bool today = ending.left == Left::kWhole   ? got == content
                         : ending.left == Left::kEmpty ? got.empty()
                                                       : !got.empty() && got != content;
      EXPECT_TRUE(today) << got.size() << " bytes";
    }
    EXPECT_EQ(names_in(target.path()),
              std::vector<std::string>(existing || ending.left != Left::kNothing, "x.txt"));
    EXPECT_EQ(names_in(outer.path()), std::vector<std::string>{"program.exe"});
  }
}

INSTANTIATE_TEST_SUITE_P(WithAndWithout, ExistingFiles, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "ReadOnlyFileThere" : "NoFileThere"; });

}  // namespace
