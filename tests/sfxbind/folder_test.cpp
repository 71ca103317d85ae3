// A folder as the tool archives it: which entries, in which order, with
// which DOS times, and what it refuses to store.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <utime.h>

#include "sfxbind/output/folder_archive.h"
#include "tests/sfxbind/bind_test_support.h"

using namespace sfxbind;

namespace {

std::vector<std::string> names(const FolderPlan& plan) {
  std::vector<std::string> out;
  for (const FolderEntry& e : plan.entries) out.push_back(e.name);
  return out;
}

std::vector<std::string> refused(const FolderPlan& plan) {
  std::vector<std::string> out;
  for (const Finding& f : plan.refusals) out.push_back(f.entry + ": " + f.reason);
  return out;
}

void set_time(const fs::path& p, time_t t) {
  struct utimbuf times = {t, t};
  ASSERT_EQ(::utime(p.c_str(), &times), 0);
}

const std::string kLink =
    "a symbolic link, which the archive cannot hold: replace it by what it points to, or give "
    "--follow-links to store that";

}  // namespace

TEST(FolderPlan, EveryEntrySortedDirectoriesFirstLinksAndSpecialFilesRefused) {
  TempDir dir;
  fs::create_directories(dir / "a/b");
  fs::create_directory(dir / "empty");
  write_file_bytes(dir / "a/b/x.txt", "x");
  write_file_bytes(dir / "a-b.txt", "");
  fs::create_symlink("a-b.txt", dir / "link");
  fs::create_directory_symlink("..", dir / "a/up");
  ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);

  FolderPlan plan = plan_folder(dir.path().string(), false);
  EXPECT_EQ(names(plan), (std::vector<std::string>{"a-b.txt", "a/", "a/b/", "a/b/x.txt", "empty/"}));
  EXPECT_EQ(refused(plan),
            (std::vector<std::string>{
                "a/up: " + kLink,
                "link: " + kLink,
                "pipe: neither a file nor a directory (a device, pipe or socket): remove it from the folder",
            }));
  FolderPlan followed = plan_folder(dir.path().string(), true);
  EXPECT_EQ(names(followed),
            (std::vector<std::string>{"a-b.txt", "a/", "a/b/", "a/b/x.txt", "empty/", "link"}));
  EXPECT_EQ(refused(followed)[0],
            "a/up/: a symbolic link leads back into a folder above it: remove the link");
}

// DOS fields in local time (Berlin: UTC+1 in winter, +2 in summer), the
// exact seconds beside them for the extended timestamp.
TEST(FolderPlan, ModificationTimesBecomeLocalDosTimesAndExactSeconds) {
  TempDir dir;
  setenv("TZ", "Europe/Berlin", 1);
  tzset();
  struct Case {
    time_t when;
    uint16_t date, time;
  } cases[] = {
      {951830055, (20 << 9) | (2 << 5) | 29,
       (14 << 11) | (14 << 5) | 7},  // 2000-02-29 13:14:15 UTC: odd seconds round down
      {962370001, (20 << 9) | (6 << 5) | 30, (15 << 11) | (0 << 5) | 0},       // 2000-06-30 13:00:01 UTC
      {315532800, (0 << 9) | (1 << 5) | 1, 1 << 11},                           // 1980-01-01 00:00:00 UTC
      {0, (0 << 9) | (1 << 5) | 1, 0},                                         // 1970: the earliest DOS time
      {4354819200, (127 << 9) | (12 << 5) | 31, (23 << 11) | (59 << 5) | 29},  // 2108: the latest
  };
  for (const Case& c : cases) {
    write_file_bytes(dir / "f", "data");
    set_time(dir / "f", c.when);
    FolderPlan plan = plan_folder(dir.path().string(), false);
    ASSERT_EQ(plan.entries.size(), 1u);
    EXPECT_EQ(plan.entries[0].dos_date, c.date) << c.when;
    EXPECT_EQ(plan.entries[0].dos_time, c.time) << c.when;
    EXPECT_EQ(plan.entries[0].unix_time, c.when);
  }
  unsetenv("TZ");
  tzset();
}
