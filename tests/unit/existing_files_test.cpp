// Every way an entry can end, over a read-only file of its name (replaced only
// when extracted and checked, else kept byte for byte) and over none (as ever).
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

using L = Left;
// clang-format off
const Ending kEndings[] = {
    {"extracted", entry_with("new"), {}, 0, false, "Extraction Complete 1 files processed", L::kWhole},
    {"crc_error", entry_with("new", [](ZipEntry& e) { e.crc = 1, e.crc_override = true; }), {}, 0, false,
     "CRC error -- SFX stopped", L::kWhole},
    {"data_integrity", entry_with(std::string(40000, 'c'), [](ZipEntry& e) { e.compressed_size = 100000; }),
     {}, 0, false, "Data integrity error -- run stopped", L::kPart},
    {"unsupported_yes", entry_with("zz", [](ZipEntry& e) { e.method = 7; }), {true}, 0, false,
     "Extraction Complete 1 files processed", L::kEmpty},
    {"unsupported_no", entry_with("zz", [](ZipEntry& e) { e.method = 7; }), {false}, 0, false,
     "Stopped at your request", L::kEmpty},
    {"data_descriptor",
     entry_with("", [](ZipEntry& e) { e.flags = 8, e.data = "streamed", e.compressed_size = 0; }), {}, 0, false,
     "File type not supported", L::kEmpty},
    {"encrypted_skipped", entry_with("xxxx", [](ZipEntry& e) { e.flags = 1; }), {true}, 0, false,
     "Nothing Extracted - Bound Zip File Not Present", L::kNothing},
    // Reports: pass start, local header, entry start, then one per window write.
    {"cancel", entry_with(kLong), {true}, 5, false, "Stopped at your request", L::kPart},
    {"disk_full", entry_with(kLong), {}, 0, true, "Error writing output file", L::kPart},
};
// clang-format on

// A 64 KiB tmpfs over `dir` for the scope's length, where root may mount one (Linux).
struct SmallDisk {
  fs::path dir;
  bool mounted = false;
#ifndef _WIN32
  SmallDisk(const fs::path& d, bool wanted)
      : dir(d), mounted(wanted && ::mount("tmpfs", d.c_str(), "tmpfs", 0, "size=64k") == 0) {}
  ~SmallDisk() {
    if (mounted) ::umount(dir.c_str());
  }
#else
  SmallDisk(const fs::path& d, bool) : dir(d) {}
#endif
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
    if (ending.disk_full && !disk.mounted) {
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
    } else {
      const bool there = fs::exists(file);
      const std::string got = there ? read_file_bytes(file) : std::string();
      const bool today = ending.left == L::kNothing ? !there
                         : ending.left == L::kWhole ? got == content
                         : ending.left == L::kEmpty ? there && got.empty()
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
