// The tool from its command line to the file it writes, in-process.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <sstream>

#include "archive/entry_policy.h"
#include "sfxbind/checks/integrity_reasons.h"
#include "sfxbind/cli/help_checks.h"
#include "sfxbind/cli/run_binding.h"
#include "sfxbind/files/file_io.h"
#include "tests/sfxbind/bind_test_support.h"
#include "tests/support/test_paths.h"

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

Options options(const fs::path& input, const fs::path& output, const std::string& stub = "",
                bool force = false) {
  Options o;
  o.input = input.string();
  o.output = output.string();
  o.stub = stub;
  o.force = force;
  return o;
}

}  // namespace

TEST(CommandLine, TakesTheArchiveTheOutputAndOptionsInAnyOrder) {
  Options o = parse_command_line({"--force", "-o", "out.exe", "in.zip", "--stub=s.bin"});
  EXPECT_EQ(o.input, "in.zip");
  EXPECT_EQ(o.output, "out.exe");
  EXPECT_EQ(o.stub, "s.bin");
  EXPECT_TRUE(o.force);
  EXPECT_EQ(parse_command_line({"--output=o", "--stub", "s", "--", "-odd.zip"}).input, "-odd.zip");
  EXPECT_EQ(parse_command_line({"dir", "-o", "x", "--level", "0", "--follow-links"}).encoding.level, 0);
  EXPECT_EQ(parse_command_line({"--verify", "setup.exe"}).verify, "setup.exe");
  EXPECT_TRUE(parse_command_line({"--help"}).help);
  EXPECT_TRUE(parse_command_line({"--version"}).version);
}

TEST(CommandLine, WhatCannotBeCarriedOutIsNamed) {
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"-o", "out"}, "no input given: a folder, a ZIP file or a self-extractor (see --help)"},
      {{"in.zip"}, "no output given: use -o OUTPUT"},
      {{"in.zip", "-o"}, "-o needs a value (see --help)"},
      {{"a.zip", "b.zip", "-o", "x"}, "more than one input given: b.zip (see --help)"},
      {{"a.zip", "-o", "x", "--quiet"}, "unknown option --quiet (see --help)"},
      {{"a.zip", "-o", "x", "-o", "y"}, "--output given twice (see --help)"},
      {{"a.zip", "-o", "x", "--output=x"}, "--output given twice (see --help)"},
      {{"a.zip", "-o", "x", "--method", "lzma", "--level", "10"},
       "--level takes 0 to 9 with this method, not 10"},
      {{"a.zip", "-o", "x", "--method", "deflate", "--level", "13"},
       "--level takes 0 to 12 with this method, not 13"},
      {{"a.zip", "-o", "x", "--method", "store", "--level", "1"},
       "--level takes 0 to 0 with this method, not 1"},
      {{"a.zip", "-o", "x", "--method=lzma", "--level", "-1"},
       "--level takes 0 to 9 with this method, not -1"},
      {{"a.zip", "-o", "x", "--method", "bzip2"}, "--method takes lzma, deflate or store, not bzip2"},
      {{"--verify", "s.exe", "-o", "x"},
       "--verify takes only the self-extractor to check (and --stub, --accept-findings, --password-file)"},
      {{"a.zip", "-o", "x", "--accept-findings"}, "--accept-findings goes with --verify (see --help)"},
  };
  for (const auto& [args, error] : cases) EXPECT_EQ(parse_error(args), error);
}

TEST(CommandLine, HelpListsTheReasonsTheBinderChecks) {
  std::ostringstream help;
  print_help(help, {});
  std::set<std::string> listed;
  std::istringstream lines(help.str());
  for (std::string line; std::getline(lines, line);)
    if (line.rfind(kReasonBullet, 0) == 0) listed.insert(line.substr(std::string(kReasonBullet).size()));
  std::set<std::string> table(std::begin(integrity::kAll), std::end(integrity::kAll));
  for (int p = static_cast<int>(NameProblem::kNothingLeft); p <= static_cast<int>(NameProblem::kPathTooLong);
       ++p)
    table.insert(name_problem_reason(static_cast<NameProblem>(p)));
  EXPECT_EQ(listed, table);
  EXPECT_NE(help.str().find("  - methods other than " + decoded_methods() + " (it asks"), std::string::npos);
  EXPECT_EQ(decoded_methods(), "0-6, 8, 9 and 14");
}

TEST(RunBinding, WritesThePaddedStubAndTheArchive) {
  TempDir dir;
  std::string archive = three_entry_archive();
  write_file_bytes(dir / "in.zip", archive);
  ToolRun r = run(options(dir / "in.zip", dir / "out.exe"), kStub);
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
  Options o = options(dir / "in.zip", dir / "out");
  const std::string method =
      "packed.txt: method 12 (BZip2) is not supported: the self-extractor asks \"Unable To "
      "Extract The Above Component Continue?\" and leaves an empty file: give --recompress to "
      "write it again with the bind's method\n";
  const std::string outside =
      "sfxbind: warning: ../up.txt: name leads outside the target directory: the "
      "self-extractor keeps it inside, as up.txt\n";
  ToolRun refused = run(o, kStub);
  EXPECT_EQ(refused.status, kRefused);
  EXPECT_EQ(refused.err,
            "sfxbind: refused: " + method + outside +
                "sfxbind: nothing written: 1 entry would not extract as expected (--force binds anyway)\n");
  EXPECT_FALSE(fs::exists(dir / "out"));
  o.force = true;
  ToolRun forced = run(o, kStub);
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
      {options(dir / "none.zip", out), kStub,
       "cannot read " + (dir / "none.zip").string() + ": No such file or directory"},
      {options(dir / "text.txt", out), kStub, (dir / "text.txt").string() + ": not a ZIP file"},
      {options(in, out), "", "this sfxbind has no built-in stub: give one with --stub STUB"},
      {options(in, out, (dir / "bad_stub").string(), true), kStub,
       (dir / "bad_stub").string() + ": the stub holds a ZIP record signature at offset 4, where the "
                                     "self-extractor's walk would take it for a record"},
      {options(in, dir / "missing" / "out"), kStub,
       "cannot write " + (dir / "missing" / "out").string() + ": No such file or directory"},
      {options(in, in), kStub, "the output " + in + " is the input: name another with -o"},
      {options(dir.path(), dir / "out.exe"), kStub,
       "the output " + (dir / "out.exe").string() + " lies inside the folder " + dir.path().string() +
           ": write it elsewhere"},
  };
  for (const Case& c : cases) {
    ToolRun r = run(c.options, c.built_in);
    EXPECT_EQ(r.status, kFailed);
    EXPECT_EQ(r.err, "sfxbind: " + c.error + "\n");
    EXPECT_EQ(r.out, "");
  }
  EXPECT_EQ(files_in(dir.path()), (std::vector<std::string>{"bad_stub", "in.zip", "text.txt"}));
}

TEST(AtomicOutput, ReplacesAnOutputWholeAndLeavesNothingWhenNotCommitted) {
  TempDir dir;
  std::string target = (dir / "out.bin").string();
  write_file_bytes(target, std::string(1000, 'o'));
  Bytes a = to_bytes("abc"), b = to_bytes("defg");
  {
    AtomicOutput out(target);
    out.write(a);
    out.write(b);
    out.patch(1, b);
    EXPECT_EQ(out.position(), 7u);
    EXPECT_EQ(read_file_bytes(target), std::string(1000, 'o'));  // not before the commit
    out.commit(false);
  }
  EXPECT_EQ(read_file_bytes(target), "adefgfg");
  {
    AtomicOutput abandoned(target);
    abandoned.write(a);
  }
  fs::create_directory(dir / "taken");
  fs::create_directory(dir / "taken" / "inside");
  AtomicOutput blocked((dir / "taken").string());
  blocked.write(a);
  EXPECT_THROW(blocked.commit(false), BindError);
  EXPECT_EQ(files_in(dir.path()), (std::vector<std::string>{"out.bin", "taken"}));
  EXPECT_EQ(read_file_bytes(target), "adefgfg");
}

#ifndef _WIN32
TEST(AtomicOutput, AWritePastItsLimitFailsWithTheReasonAndLeavesNothing) {
  TempDir dir;
  std::string target = (dir / "setup.exe").string();
  Bytes four = to_bytes("abcd");
  {
    AtomicOutput out(target);
    out.limit_size(7, "too big");
    out.write(four);
    out.patch(0, four);  // within the limit
    try {
      out.write(four);
      ADD_FAILURE() << "the limit was passed";
    } catch (const BindError& e) {
      EXPECT_STREQ(e.what(), "too big");
    }
  }
  EXPECT_TRUE(fs::is_empty(dir.path()));
}

TEST(AtomicOutput, ExecuteBitsFollowTheReadBits) {
  TempDir dir;
  Bytes a = to_bytes("#!");
  for (const char* name : {"plain", "program"}) {
    AtomicOutput out((dir / name).string());
    out.write(a);
    out.commit(std::string(name) == "program");
  }
  auto perms = [&](const char* name) { return fs::status(dir / name).permissions(); };
  EXPECT_EQ(perms("plain") & fs::perms::owner_exec, fs::perms::none);
  EXPECT_NE(perms("program") & fs::perms::owner_exec, fs::perms::none);
  EXPECT_EQ((perms("program") & fs::perms::others_read) != fs::perms::none,
            (perms("program") & fs::perms::others_exec) != fs::perms::none);
}
#endif
