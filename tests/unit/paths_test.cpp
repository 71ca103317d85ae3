#include "platform/paths.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/files.h"
#include "tests/support/test_paths.h"

namespace {

struct Split {
  char drive[kDriveCapacity], dir[kPartCapacity], base[kPartCapacity], ext[kPartCapacity];
  explicit Split(const char* path) { split_path(path, drive, dir, base, ext); }
};

std::string merged(const char* drive, const char* dir, const char* base, const char* ext) {
  char out[kPathCapacity];
  merge_path(out, drive, dir, base, ext);
  return out;
}

TEST(SplitPath, DottedDirectoryAndNoExtension) {
  Split s(platform::kHasDrives ? "C:\\DIR.X\\FILE" : "/DIR.X/FILE");
  EXPECT_STREQ(s.drive, platform::kHasDrives ? "C:" : "");
  EXPECT_STREQ(s.dir, platform::kHasDrives ? "\\DIR.X\\" : "/DIR.X/");
  EXPECT_STREQ(s.base, "FILE");
  EXPECT_STREQ(s.ext, "");
}

TEST(SplitPath, LastDotStartsTheExtension) {
  Split s("ARCHIVE.TAR.GZ");
  EXPECT_STREQ(s.base, "ARCHIVE.TAR");
  EXPECT_STREQ(s.ext, ".GZ");
  Split hidden("dir/.profile");
  EXPECT_STREQ(hidden.base, "");
  EXPECT_STREQ(hidden.ext, ".profile");
}

TEST(SplitPath, EitherSeparator) {
  Split s("DIR/SUB/NAME.TXT");
  EXPECT_STREQ(s.dir, "DIR/SUB/");
  EXPECT_STREQ(s.base, "NAME");
  Split mixed("a\\b/c.d");
  EXPECT_STREQ(mixed.dir, "a\\b/");
}

TEST(SplitPath, AbsentOutputsAndOverlongParts) {
  char base[kPartCapacity];
  split_path("x/y.z", nullptr, nullptr, base, nullptr);
  EXPECT_STREQ(base, "y");
  std::string longname(300, 'n');
  Split s(longname.c_str());
  EXPECT_EQ(std::string(s.base).size(), kPartCapacity - 1);  // cut to fit, still terminated
}

TEST(MergePath, InsertsSeparatorAndDot) {
  std::string sep(1, platform::kSeparator);
  if (platform::kHasDrives) {
    EXPECT_EQ(merged("C:", "\\DIR", "FILE", "TXT"), "C:\\DIR\\FILE.TXT");
    EXPECT_EQ(merged("C:", "", "FILE", "TXT"), "C:FILE.TXT");
  }
  EXPECT_EQ(merged(nullptr, "dir", "file", ".txt"), "dir" + sep + "file.txt");
  EXPECT_EQ(merged("", "", "", ""), "");
  EXPECT_EQ(merged(nullptr, nullptr, nullptr, nullptr), "");
}

TEST(MergePath, NeverOverflowsItsBuffer) {
  std::string part(255, 'p');
  EXPECT_EQ(merged(nullptr, part.c_str(), part.c_str(), part.c_str()).size(), kPathCapacity - 1);
}

TEST(UpperCase, OnlyAsciiLetters) {
  char text[] = "abz AZ 09.-_\xE4\xFF{`";
  upper_case(text);
  EXPECT_STREQ(text, "ABZ AZ 09.-_\xE4\xFF{`");
}

class ChangeDriveDir : public ::testing::Test {
 protected:
  void TearDown() override { fs::current_path(saved_); }
  fs::path saved_ = fs::current_path();
  TempDir temp_;
};

TEST_F(ChangeDriveDir, EmptyTextChangesNothing) {
  EXPECT_EQ(change_drive_dir(""), 0);
  EXPECT_EQ(fs::current_path(), saved_);
}

TEST_F(ChangeDriveDir, EntersDirectoryOrReportsTwo) {
  EXPECT_EQ(change_drive_dir(temp_.path().string().c_str()), 0);
  EXPECT_TRUE(fs::equivalent(fs::current_path(), temp_.path()));
  EXPECT_EQ(change_drive_dir((temp_ / "missing").string().c_str()), 2);
  EXPECT_TRUE(fs::equivalent(fs::current_path(), temp_.path()));
}

TEST_F(ChangeDriveDir, Drives) {
  if (!platform::kHasDrives) GTEST_SKIP() << "no drives on this platform";
  fs::create_directory(temp_ / "sub");
  ASSERT_EQ(change_drive_dir((temp_ / "sub").string().c_str()), 0);
  // A drive letter alone makes the drive current with its own directory.
  EXPECT_EQ(change_drive_dir("c:"), 0);
  EXPECT_EQ(fs::current_path().string().substr(0, 2), "C:");
  // A drive that does not exist changes nothing.
  EXPECT_EQ(change_drive_dir("Q:\\x"), 1);
  EXPECT_EQ(fs::current_path().string().substr(0, 2), "C:");
  // An existing drive with a missing directory: the previous drive is current again.
  std::string on_z = "Z:\\no-such-dir-for-sfx-tests";
  EXPECT_EQ(change_drive_dir(on_z.c_str()), 2);
  EXPECT_EQ(fs::current_path().string().substr(0, 2), "C:");
}

}  // namespace
