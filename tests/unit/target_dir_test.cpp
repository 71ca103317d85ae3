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

TEST_F(TargetDir, CreatesMissingLevelsAndLeavesTheFullPathCurrent) {
  fs::create_directory(temp_ / "one");
  std::string path = (temp_ / "one" / "two" / "three").string();
  EXPECT_EQ(make_and_enter_path(path.c_str()), 0);
  EXPECT_TRUE(fs::equivalent(fs::current_path(), temp_ / "one" / "two" / "three"));
  // Doubled and trailing separators change nothing.
  fs::current_path(saved_);
  std::string doubled =
      (temp_ / "one").string() + std::string(2, platform::kSeparator) + "two" + platform::kSeparator;
  EXPECT_EQ(make_and_enter_path(doubled.c_str()), 0);
  EXPECT_TRUE(fs::equivalent(fs::current_path(), temp_ / "one" / "two"));
}

TEST_F(TargetDir, RelativePathStartsAtTheCurrentDirectory) {
  fs::current_path(temp_.path());
  EXPECT_EQ(make_and_enter_path("a/b"), 0);
  EXPECT_TRUE(fs::equivalent(fs::current_path(), temp_ / "a" / "b"));
}

TEST_F(TargetDir, FailureReturnsToTheStartingDirectory) {
  write_file_bytes(temp_ / "file", "x");
  fs::current_path(temp_.path());
  EXPECT_EQ(make_and_enter_path("made/file/below"), 0);  // "file" is only a name inside "made"
  fs::current_path(temp_.path());
  EXPECT_EQ(make_and_enter_path("file/below"), 255);
  EXPECT_TRUE(fs::equivalent(fs::current_path(), temp_.path()));
}

TEST_F(TargetDir, MissingDriveReportsTwoFiftyFour) {
  if (!platform::kHasDrives) GTEST_SKIP() << "no drives on this platform";
  fs::current_path(temp_.path());
  EXPECT_EQ(make_and_enter_path("Q:\\x"), 254);
  EXPECT_TRUE(fs::equivalent(fs::current_path(), temp_.path()));
}

TEST_F(TargetDir, RemovesReadOnlyFiles) {
  fs::path f = temp_ / "ro.txt";
  write_file_bytes(f, "x");
  fs::permissions(f, fs::perms::owner_read);
  EXPECT_EQ(remove_existing_file(f.string().c_str()), 0);
  EXPECT_FALSE(fs::exists(f));
  EXPECT_EQ(remove_existing_file(f.string().c_str()), -1);
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
    platform::stamp_file_time(f, dos_date, 12 << 11);
    ASSERT_TRUE(platform::close_file(f));
    std::string stamp = modification_time_text(path);
    EXPECT_EQ(stamp == std::to_string(c.year) + "-02-29T12:00:00", c.stamped) << stamp;
  }
}

}  // namespace
