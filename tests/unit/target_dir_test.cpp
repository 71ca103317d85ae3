#include <gtest/gtest.h>

#include "platform/files.h"
#include "platform/paths.h"
#include "tests/support/test_paths.h"

namespace {

class TargetDir : public ::testing::Test {
 protected:
  void TearDown() override { fs::current_path(saved_); }
  fs::path saved_ = fs::current_path();
  TempDir temp_;
};

// Through the path as a whole: the current directory stays (paths past
// MAX_PATH are the Wine test long_path_test.py's).
TEST_F(TargetDir, CreatesMissingLevelsWithoutEnteringThem) {
  fs::create_directory(temp_ / "one");
  std::string path = (temp_ / "one" / "two" / "three").string();
  const std::string given = path;
  EXPECT_EQ(make_dir_tree(path.data(), temp_.path().string().size()), 0);
  EXPECT_EQ(path, given);
  EXPECT_TRUE(fs::is_directory(given));
  EXPECT_TRUE(fs::equivalent(fs::current_path(), saved_));
  // Doubled and trailing separators change nothing.
  std::string doubled =
      (temp_ / "one").string() + std::string(2, platform::kSeparator) + "two" + platform::kSeparator;
  EXPECT_EQ(make_dir_tree(doubled.data(), 0), 0);
  EXPECT_TRUE(fs::is_directory(temp_ / "one" / "two"));
}

TEST_F(TargetDir, RelativePathStartsAtTheCurrentDirectory) {
  fs::current_path(temp_.path());
  std::string relative = "a/b";
  EXPECT_EQ(make_dir_tree(relative.data(), 0), 0);
  EXPECT_TRUE(fs::is_directory(temp_ / "a" / "b"));
  EXPECT_TRUE(fs::equivalent(fs::current_path(), temp_.path()));
}

TEST_F(TargetDir, FileInTheWayFails) {
  write_file_bytes(temp_ / "file", "x");
  fs::current_path(temp_.path());
  std::string below_made = "made/file/below", below_file = "file/below";
  EXPECT_EQ(make_dir_tree(below_made.data(), 0), 0);  // "file" is only a name inside "made"
  EXPECT_EQ(make_dir_tree(below_file.data(), 0), -1);
  EXPECT_TRUE(fs::is_regular_file(temp_ / "file"));
}

TEST_F(TargetDir, MissingDriveFails) {
  if (!platform::kHasDrives) GTEST_SKIP() << "no drives on this platform";
  std::string on_missing_drive = "Q:\\x";
  EXPECT_EQ(make_dir_tree(on_missing_drive.data(), 0), -1);
}

TEST_F(TargetDir, ReplacesReadOnlyFiles) {
  fs::path f = temp_ / "ro.txt", replacement = temp_ / "new.txt";
  write_file_bytes(f, "x");
  write_file_bytes(replacement, "new");
  fs::permissions(f, fs::perms::owner_read);
  EXPECT_TRUE(platform::move_file_over(replacement.string().c_str(), f.string().c_str()));
  EXPECT_EQ(read_file_bytes(f), "new");
  EXPECT_FALSE(fs::exists(replacement));
  EXPECT_FALSE(platform::move_file_over(replacement.string().c_str(), f.string().c_str()));
}

}  // namespace

namespace {

// Both systems take a DOS date as Windows' own conversion does: February 29
// only in leap years (2100 is none); any other date leaves the file alone.
TEST(FileTimes, LeapDaysOnlyInLeapYears) {
  struct Case {
    int year;
    bool stamped;
  } cases[] = {{2024, true}, {2000, true}, {2023, false}, {2100, false}};
  TempDir temp;
  for (const Case& c : cases) {
    fs::path path = temp / ("leap" + std::to_string(c.year));
    platform::FileHandle f = platform::open_for_writing(path.string().c_str());
    ASSERT_NE(f, platform::kNoFile);
    auto dos_date = static_cast<uint16_t>((c.year - 1980) << 9 | 2 << 5 | 29);
    platform::stamp_file_time(f, 0, dos_date, 12 << 11);
    ASSERT_TRUE(platform::close_file(f));
    std::string stamp = modification_time_text(path);
    EXPECT_EQ(stamp == std::to_string(c.year) + "-02-29T12:00:00", c.stamped) << stamp;
  }
}

}  // namespace
