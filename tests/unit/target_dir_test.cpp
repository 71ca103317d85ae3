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
