// --title, --run and --temp: written between the stub and the archive where
// ZIP tools and the stub's walk pass over them, shown and checked by
// --verify, refused when the stub could not carry them out.
#include <gtest/gtest.h>

#include <sstream>

#include "archive/settings_block.h"
#include "sfxbind/cli/run_binding.h"
#include "sfxbind/input/stub_walk.h"
#include "tests/sfxbind/bind_test_support.h"

using namespace sfxbind;

namespace {

const std::string kStub = "MZ a stub program";  // 17 bytes: padded to 20

struct Bound {
  int status;
  std::string err;
};

Bound bind_to(const TempDir& dir, const std::string& title, const std::string& run, bool temp,
              const std::string& stub = kStub) {
  write_file_bytes(dir / "in.zip", three_entry_archive());
  Options o;
  o.input = (dir / "in.zip").string();
  o.output = (dir / "out").string();
  o.title = title;
  o.run = run;
  o.temp = temp;
  std::ostringstream out, err;
  int status = run_binding(o, to_bytes(stub), out, err);
  return {status, err.str()};
}

TEST(BindSettings, WrittenBeforeTheArchiveReadBackAndShownByVerify) {
  TempDir dir;
  ASSERT_EQ(bind_to(dir, "My App", R"(dir\b.txt --flag "a b")", true).status, kBound);
  const std::string path = (dir / "out").string();
  Settings s{};
  SettingsPlace place;
  ASSERT_EQ(read_settings(path.c_str(), s, &place), SettingsRead::kRead);
  EXPECT_STREQ(s.title, "My App");
  EXPECT_TRUE(s.temp);
  EXPECT_EQ(place.archive_start - place.block_size, 20u);
  EXPECT_EQ(walk_as_stub(path).size(), 3u);  // the walk steps over the block to every entry

  Options verify;
  verify.verify = path;
  std::ostringstream out, err;
  EXPECT_EQ(run_binding(verify, to_bytes(kStub), out, err), kBound) << err.str();
  EXPECT_NE(out.str().find(R"(; settings: title "My App", runs "dir\b.txt --flag "a b"" in the target, )"
                           "the target a temporary folder removed afterwards\n"),
            std::string::npos)
      << out.str();

  // A damaged block: the stub would stop, and so does --verify.
  std::string bytes = read_file_bytes(dir / "out");
  bytes[20] = 'X';  // the first field's tag
  write_file_bytes(dir / "out", bytes);
  std::ostringstream out2, err2;
  EXPECT_EQ(run_binding(verify, to_bytes(kStub), out2, err2), kRefused);
  EXPECT_NE(err2.str().find("the settings behind it are damaged"), std::string::npos) << err2.str();
}

TEST(BindSettings, WhatTheStubCouldNotCarryOutIsRefused) {
  struct Case {
    std::string title, run;
    bool temp;
    std::string stub, error;
  };
  const Case kCases[] = {
      {"", "", true, kStub, "--temp needs --run: the temporary folder is removed once the program has run"},
      {"", "setup.exe", false, kStub,
       "--run names setup.exe, which is no file of the archive (name it as the archive does)"},
      {"", "dir", false, kStub,
       "--run names dir, which is no file of the archive (name it as the archive does)"},
      {"", "../a.txt", false, kStub,
       "--run names ../a.txt, which is no file below the target: a level of the program's path ends in a dot "
       "or a blank, which Windows drops"},
      {"a\tb", "", false, kStub,
       "--title and --run take UTF-8 text without control characters (tabs and line ends among them)"},
      {std::string(256, 't'), "", false, kStub, "--title takes at most 255 bytes"},
      {"", "a.txt", false,
       "\x7F"
       "ELF stub",
       "--run names a.txt, which would not be a program once extracted (a regular file with an execute bit "
       "in its Unix mode): chmod +x it and bind again"},
  };
  for (const Case& c : kCases) {
    TempDir dir;
    Bound b = bind_to(dir, c.title, c.run, c.temp, c.stub);
    EXPECT_EQ(b.status, kFailed) << c.error;
    EXPECT_EQ(b.err, "sfxbind: " + c.error + "\n");
    EXPECT_FALSE(fs::exists(dir / "out"));
  }
}

}  // namespace
