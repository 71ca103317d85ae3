// The Linux stub unattended and with bind-time settings: a bound file started
// as its own process with switches, its standard output and error apart.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>

#include "tests/support/corpus_manifest.h"
#include "tests/support/sha256.h"
#include "tests/support/test_paths.h"
#include "tests/support/zip_builder.h"

namespace {

struct Outcome {
  int status;
  std::string out, err;
};

class UnattendedStub : public ::testing::Test {
 protected:
  fs::path bind_corpus(const std::string& file) {
    std::string stub = read_file_bytes(SFX_LINUX_STUB);
    stub.resize((stub.size() + 3) / 4 * 4, '\0');
    fs::path program = dir_ / "setup";
    write_file_bytes(program, stub + read_file_bytes(corpus_dir() / file));
    fs::permissions(program, fs::perms::owner_all);
    return program;
  }
  // sfxbind INPUT (a folder or a ZIP file) with `options` (already quoted for the shell).
  fs::path bind_input(const fs::path& folder, const std::string& options) {
    fs::path program = dir_ / "setup";
    std::string command = std::string(SFX_BIND_TOOL) + " '" + folder.string() + "' -o '" + program.string() +
                          "' --stub " + SFX_LINUX_STUB + " " + options + " >/dev/null";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    return program;
  }
  // Runs the program with `args`, standard input empty, TMPDIR in the test's folder.
  Outcome run(const fs::path& program, const std::string& args) {
    fs::create_directories(dir_ / "tmp");
    std::string command = "cd '" + dir_.path().string() + "' && TMPDIR='" + (dir_ / "tmp").string() + "' '" +
                          program.string() + "' " + args + " </dev/null >out.txt 2>err.txt";
    int raw = std::system(command.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, read_file_bytes(dir_ / "out.txt"),
            read_file_bytes(dir_ / "err.txt")};
  }
  // A folder holding a `setup` script that records its arguments and working
  // directory and ends with status 7.
  fs::path setup_folder() {
    fs::path app = dir_ / "app";
    fs::create_directories(app / "data");
    write_file_bytes(app / "data" / "file.txt", "payload\n");
    write_file_bytes(app / "setup", "#!/bin/sh\nprintf '%s\\n' \"$@\" \"$PWD\" > '" +
                                        (dir_ / "record.txt").string() + "'\nexit 7\n");
    fs::permissions(app / "setup", fs::perms::owner_all);
    return app;
  }

  TempDir dir_;
};

TEST_F(UnattendedStub, SilentExtractsIntoANewTargetAndPrintsNothing) {
  fs::path target = dir_ / "some" / "new dir";
  Outcome r = run(bind_corpus("a24_mixed_methods.zip"), "/S '/D=" + target.string() + "'");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "");
  for (const Json& e : corpus_archive("a24_mixed_methods.zip")["entries"]) {
    if (e["is_directory"].get<bool>()) continue;
    EXPECT_EQ(sha256_hex(read_file_bytes(target / e["name"].get<std::string>())),
              e["sha256"].get<std::string>());
  }
}

struct EndingCase {
  std::string archive;  // a corpus file, or "" for a stored entry with a wrong CRC-32
  std::string args;
  int status;
  std::string err;
  std::string absent = "";  // a skipped entry: never written ("." the target itself)
};

TEST_F(UnattendedStub, EndsWithItsStatusAndAStopsMessageOnStandardError) {
  std::string past_path_max = "t";  // 4,244 bytes, levels of 100
  while (past_path_max.size() < 4200) past_path_max += "/" + std::string(100, 'x');
  const EndingCase kCases[] = {
      {"a20_zipcrypto_7zip.zip", "--silent --target=t", 2, "", "hello.txt"},  // encrypted: skipped unasked
      {"a23_tokenized_method7.zip", "-s -d=t", 2, "", "tokenized.dat"},
      {"", "/S /D=t", 1, "CRC error -- SFX stopped\n"},
      {"a01_stored.zip", "/S /D=/proc/no/such", 1, "Output directory not available\n"},
      // Longer than the system takes: refused whole, no level of it made.
      {"a01_stored.zip", "--silent --target=" + past_path_max, 1, "Output directory not available\n", "."},
      // The levels a failed target made go again; a log that cannot be opened leaves the message on
      // standard error; /? under /S shows nothing.
      {"a01_stored.zip", "/S /D=t/made/" + std::string(300, 'x'), 1, "Output directory not available\n",
       "made"},
      {"a01_stored.zip", "/S --log=/proc/no/such.log /D=/proc/no/such", 1,
       "Output directory not available\n"},
      {"a01_stored.zip", "/S /?", 0, ""},
  };
  for (const EndingCase& c : kCases) {
    fs::remove_all(dir_ / "t");
    fs::path program = dir_ / "setup";
    if (c.archive.empty()) {
      ZipEntry bad = stored_entry("bad.txt", "data");
      bad.crc = 1, bad.crc_override = true;
      std::string stub = read_file_bytes(SFX_LINUX_STUB);
      stub.resize((stub.size() + 3) / 4 * 4, '\0');
      write_file_bytes(program, stub + ZipBuilder().add(bad).bytes());
      fs::permissions(program, fs::perms::owner_all);
    } else {
      bind_corpus(c.archive);
    }
    Outcome r = run(program, c.args);
    EXPECT_EQ(r.status, c.status) << c.archive;
    EXPECT_EQ(r.out, "") << c.archive;
    EXPECT_EQ(r.err, c.err) << c.archive;
    EXPECT_TRUE(c.absent.empty() || !fs::exists(dir_ / "t" / c.absent)) << c.absent;
  }
}

TEST_F(UnattendedStub, PassiveShowsTheDialogAndEndsWithoutTheClosingBox) {
  Outcome r = run(bind_corpus("a01_stored.zip"), "/P /D=t");
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("== setup =="), std::string::npos);
  EXPECT_NE(r.out.find("Status: Unzipping"), std::string::npos);
  EXPECT_EQ(r.out.find("Extraction Complete"), std::string::npos) << r.out;
  EXPECT_TRUE(fs::exists(dir_ / "t" / "docs" / "readme.txt"));
}

TEST_F(UnattendedStub, HelpListsTheSwitches) {
  Outcome r = run(bind_corpus("a01_stored.zip"), "--help");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out.rfind("setup\n/D=DIR, --target=DIR\ttarget folder\n/S, --silent\tsilent\n", 0), 0u)
      << r.out;
  EXPECT_NE(r.out.find("Exit status: 0 done, 1 stopped, 2 entries skipped"), std::string::npos);
}

TEST_F(UnattendedStub, RunsTheProgramFromAPrivateTemporaryFolderAndRemovesIt) {
  fs::path program =
      bind_input(setup_folder(), R"(--title 'My App' --run 'setup --flag "a b" C:\x\ "q\"u"' --temp)");
  // ZIP tools read the file as they would without the settings.
  for (const std::string& reader :
       {std::string("python3 -c 'import sys, zipfile; sys.exit(zipfile.ZipFile(sys.argv[1]).testzip() is not "
                    "None)' "),
        std::string("7z t -bso0 -bsp0 ")})
    EXPECT_EQ(std::system((reader + "'" + program.string() + "'").c_str()), 0) << reader;
  Outcome r = run(program, "/S -- 'more args' last");
  EXPECT_EQ(r.status, 7);
  EXPECT_EQ(r.out, "");
  std::string record = read_file_bytes(dir_ / "record.txt");
  const std::string kArgs = "--flag\na b\nC:\\x\\\nq\"u\nmore args\nlast\n";
  ASSERT_EQ(record.rfind(kArgs, 0), 0u) << record;
  EXPECT_EQ(record.rfind((dir_ / "tmp" / "sfx-").string(), kArgs.size()), kArgs.size()) << record;
  EXPECT_TRUE(fs::is_empty(dir_ / "tmp"));  // removed after the program ended

  r = run(program, "/P");  // the title, the program shown, the target hidden
  EXPECT_NE(r.out.find("== My App =="), std::string::npos) << r.out;
  EXPECT_NE(r.out.find(R"(Then runs: setup --flag "a b" C:\x\ "q\"u")"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("Target Directory:"), std::string::npos) << r.out;
}

TEST_F(UnattendedStub, RunWithoutTempLeavesTheFilesInTheTarget) {
  fs::path program = bind_input(setup_folder(), "--run setup");
  Outcome r = run(program, "/S /D=t");
  EXPECT_EQ(r.status, 7);
  EXPECT_EQ(read_file_bytes(dir_ / "record.txt"), (dir_ / "t").string() + "\n");
  EXPECT_EQ(read_file_bytes(dir_ / "t" / "data" / "file.txt"), "payload\n");
  EXPECT_EQ(fs::status(dir_ / "t" / "setup").permissions() & fs::perms::owner_exec, fs::perms::owner_exec);
  EXPECT_EQ(fs::status(dir_ / "t" / "data" / "file.txt").permissions() & fs::perms::owner_exec,
            fs::perms::none);

  // Cut before its end record, the archive may have lost entries: the program does not run.
  fs::remove(dir_ / "record.txt");
  fs::resize_file(program, fs::file_size(program) - 22);
  Outcome cut = run(program, "/S /D=t");
  EXPECT_EQ(cut.status, 1);
  EXPECT_EQ(cut.err, "Data integrity error -- run stopped\n");
  EXPECT_FALSE(fs::exists(dir_ / "record.txt"));
}

TEST_F(UnattendedStub, ExtractedFilesGetTheExecuteBitsTheirEntriesCarryButNeverSetId) {
  // Python's zipfile records Unix modes as a Unix zip tool does.
  const std::string make =
      "python3 -c 'import sys, zipfile\n"
      "z = zipfile.ZipFile(sys.argv[1], \"w\")\n"
      "for name, mode in ((\"tool\", 0o100755), (\"setid\", 0o106775), (\"plain\", 0o100644)):\n"
      "    i = zipfile.ZipInfo(name); i.create_system = 3; i.external_attr = mode << 16; z.writestr(i, "
      "\"x\")\n"
      "' '" +
      (dir_ / "modes.zip").string() + "'";
  ASSERT_EQ(std::system(make.c_str()), 0);
  fs::path program = bind_input(dir_ / "modes.zip", "");
  ASSERT_EQ(run(program, "/S /D=t").status, 0);
  const std::pair<const char*, fs::perms> kModes[] = {
      {"tool", fs::perms::owner_exec}, {"setid", fs::perms::owner_exec}, {"plain", fs::perms::none}};
  for (const auto& [name, exec] : kModes) {
    fs::perms got = fs::status(dir_ / "t" / name).permissions();
    EXPECT_EQ(got & fs::perms::owner_exec, exec) << name;
    EXPECT_EQ(got & (fs::perms::set_uid | fs::perms::set_gid), fs::perms::none) << name;
  }
}

TEST_F(UnattendedStub, ADamagedSettingsBlockStopsTheRunBeforeAnythingIsShown) {
  fs::path program = bind_input(setup_folder(), "--title Title");
  std::string bytes = read_file_bytes(program);
  const size_t magic = bytes.rfind(std::string("SfxSet\x1A\x01", 8));  // the stub holds it too
  ASSERT_NE(magic, std::string::npos);
  bytes[magic - 2] = 1;  // a length beyond what any block holds
  write_file_bytes(program, bytes);
  Outcome r = run(program, "/S /D=t");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "Settings damaged -- SFX stopped\n");
  EXPECT_FALSE(fs::exists(dir_ / "t"));
}

}  // namespace
