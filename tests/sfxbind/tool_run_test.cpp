// The tool from its command line to the file it writes, in-process.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "tests/sfxbind/bind_test_support.h"
#include "tests/support/test_paths.h"
#include "tools/sfxbind/file_io.h"
#include "tools/sfxbind/run_binding.h"

using namespace sfxbind;

namespace {

struct ToolRun {
  int status;
  std::string out;
  std::string err;
};

ToolRun run(const Options& options, const std::string& built_in_stub = "") {
  std::ostringstream out, err;
  Bytes stub = to_bytes(built_in_stub);
  int status = run_binding(options, stub, out, err);
  return {status, out.str(), err.str()};
}

std::string parse_error(const std::vector<std::string>& args) {
  try {
    parse_command_line(args);
  } catch (const BindError& e) {
    return e.what();
  }
  return "";
}

std::vector<std::string> files_in(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

const std::string kStub = "MZ a stub program";  // 17 bytes: padded to 20

}  // namespace

TEST(CommandLine, TakesTheArchiveTheOutputAndOptionsInAnyOrder) {
  Options o = parse_command_line({"--force", "-o", "out.exe", "in.zip", "--stub=s.bin"});
  EXPECT_EQ(o.archive, "in.zip");
  EXPECT_EQ(o.output, "out.exe");
  EXPECT_EQ(o.stub, "s.bin");
  EXPECT_TRUE(o.force);
  EXPECT_EQ(parse_command_line({"--output=o", "--stub", "s", "--", "-odd.zip"}).archive, "-odd.zip");
  EXPECT_TRUE(parse_command_line({"--help"}).help);
}

TEST(CommandLine, WhatCannotBeCarriedOutIsNamed) {
  EXPECT_EQ(parse_error({"-o", "out"}), "no archive given (see --help)");
  EXPECT_EQ(parse_error({"in.zip"}), "no output given: use -o OUTPUT");
  EXPECT_EQ(parse_error({"in.zip", "-o"}), "-o needs a value (see --help)");
  EXPECT_EQ(parse_error({"a.zip", "b.zip", "-o", "x"}), "more than one archive given: b.zip (see --help)");
  EXPECT_EQ(parse_error({"a.zip", "-o", "x", "--quiet"}), "unknown option --quiet (see --help)");
}

TEST(RunBinding, WritesThePaddedStubAndTheShiftedArchive) {
  TempDir dir;
  std::string archive = three_entry_archive();
  write_file_bytes(dir / "in.zip", archive);
  ToolRun r = run({(dir / "in.zip").string(), (dir / "out.exe").string(), "", false, false}, kStub);
  EXPECT_EQ(r.status, kBound);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out, "sfxbind: wrote " + (dir / "out.exe").string() + ": 3 entries behind a 20-byte stub\n");
  std::string bound = read_file_bytes(dir / "out.exe");
  ASSERT_EQ(bound.size(), 20 + archive.size());
  EXPECT_EQ(bound.substr(0, 20), kStub + std::string(3, '\0'));
  EXPECT_EQ(read_le32(reinterpret_cast<const uint8_t*>(&bound[bound.size() - 6])),
            20 + read_le32(reinterpret_cast<const uint8_t*>(&archive[archive.size() - 6])));
  EXPECT_EQ(files_in(dir.path()), (std::vector<std::string>{"in.zip", "out.exe"}));
}

TEST(RunBinding, RefusalsStopItUnlessForced) {
  TempDir dir;
  ZipEntry bzip2 = stored_entry("packed.txt", "data");
  bzip2.method = 12;
  write_file_bytes(dir / "in.zip", ZipBuilder().add(bzip2).add(stored_entry("../up.txt", "x")).bytes());
  Options options{(dir / "in.zip").string(), (dir / "out").string(), "", false, false};
  const std::string method =
      "packed.txt: method 12 (BZip2) is not supported: the self-extractor asks \"Unable To "
      "Extract The Above Component Continue?\" and leaves an empty file\n";
  const std::string outside =
      "sfxbind: warning: ../up.txt: name leads outside the target directory: the "
      "self-extractor keeps it inside, as up.txt\n";
  ToolRun refused = run(options, kStub);
  EXPECT_EQ(refused.status, kRefused);
  EXPECT_EQ(refused.err,
            "sfxbind: refused: " + method + outside +
                "sfxbind: nothing written: 1 entry would not extract as expected (--force binds anyway)\n");
  EXPECT_FALSE(fs::exists(dir / "out"));
  options.force = true;
  ToolRun forced = run(options, kStub);
  EXPECT_EQ(forced.status, kBound);
  EXPECT_EQ(forced.err, "sfxbind: forced: " + method + outside);
  EXPECT_TRUE(fs::exists(dir / "out"));
}

TEST(RunBinding, ErrorsAreOneLineAndLeaveNothingBehind) {
  TempDir dir;
  write_file_bytes(dir / "in.zip", three_entry_archive());
  write_file_bytes(dir / "text.txt", "not an archive at all, just some words");
  write_file_bytes(dir / "bad_stub", std::string("abcdPK\x01\x02", 8));
  const std::string in = (dir / "in.zip").string(), out = (dir / "out").string();
  struct Case {
    Options options;
    std::string built_in;
    std::string error;
  };
  std::vector<Case> cases = {
      {{(dir / "none.zip").string(), out, "", false, false},
       kStub,
       "cannot read " + (dir / "none.zip").string() + ": No such file or directory"},
      {{(dir / "text.txt").string(), out, "", false, false},
       kStub,
       (dir / "text.txt").string() + ": not a ZIP file"},
      {{in, out, "", false, false}, "", "this sfxbind has no built-in stub: give one with --stub STUB"},
      {{in, out, (dir / "bad_stub").string(), true, false},
       kStub,
       (dir / "bad_stub").string() + ": the stub holds a ZIP record signature at offset 4, where the "
                                     "self-extractor's walk would take it for a record"},
      {{in, (dir / "missing" / "out").string(), "", false, false},
       kStub,
       "cannot write " + (dir / "missing" / "out").string() + ": No such file or directory"},
  };
  for (const Case& c : cases) {
    ToolRun r = run(c.options, c.built_in);
    EXPECT_EQ(r.status, kFailed);
    EXPECT_EQ(r.err, "sfxbind: " + c.error + "\n");
    EXPECT_EQ(r.out, "");
  }
  EXPECT_EQ(files_in(dir.path()), (std::vector<std::string>{"bad_stub", "in.zip", "text.txt"}));
}

TEST(WriteAtomically, ReplacesAnOutputWholeAndCleansUpAfterAFailedRename) {
  TempDir dir;
  std::string target = (dir / "out.bin").string();
  write_file_bytes(target, std::string(1000, 'o'));
  Bytes a = to_bytes("abc"), b = to_bytes("defg");
  write_atomically(target, {a, b}, false);
  EXPECT_EQ(read_file_bytes(target), "abcdefg");
  fs::create_directory(dir / "taken");
  fs::create_directory(dir / "taken" / "inside");
  EXPECT_THROW(write_atomically((dir / "taken").string(), {a}, false), BindError);
  EXPECT_EQ(files_in(dir.path()), (std::vector<std::string>{"out.bin", "taken"}));
}

#ifndef _WIN32
TEST(WriteAtomically, ExecuteBitsFollowTheReadBits) {
  TempDir dir;
  Bytes a = to_bytes("#!");
  write_atomically((dir / "plain").string(), {a}, false);
  write_atomically((dir / "program").string(), {a}, true);
  auto perms = [&](const char* name) { return fs::status(dir / name).permissions(); };
  EXPECT_EQ(perms("plain") & fs::perms::owner_exec, fs::perms::none);
  EXPECT_NE(perms("program") & fs::perms::owner_exec, fs::perms::none);
  EXPECT_EQ((perms("program") & fs::perms::others_read) != fs::perms::none,
            (perms("program") & fs::perms::others_exec) != fs::perms::none);
}
#endif
