#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdlib>
#include <sstream>

#include "tests/support/corpus_manifest.h"
#include "tests/support/sha256.h"
#include "tests/support/test_paths.h"
#include "tests/support/zip_builder.h"

namespace {

struct StubRun {
  int status = -1;
  std::vector<std::string> lines;
  bool printed(const std::string& line) const {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  }
};

class ConsoleStub : public ::testing::Test {
 protected:
  // The Linux stub padded to a multiple of 4 with the archive appended.
  fs::path bind(const std::string& archive, const std::string& name = "setup") {
    std::string stub = read_file_bytes(SFX_LINUX_STUB);
    stub.resize((stub.size() + 3) / 4 * 4, '\0');
    fs::path program = dir_ / name;
    write_file_bytes(program, stub + archive);
    fs::permissions(program, fs::perms::owner_all);
    return program;
  }
  fs::path bind_corpus(const std::string& file) { return bind(read_file_bytes(corpus_dir() / file)); }

  // Runs the program from `cwd` with `input` as its standard input.
  StubRun run(const fs::path& program, const std::string& input, const fs::path& cwd,
              const std::string& shell_prefix = "") {
    write_file_bytes(dir_ / "input.txt", input);
    std::string command = shell_prefix + "cd '" + cwd.string() + "' && '" + program.string() + "' < '" +
                          (dir_ / "input.txt").string() + "' > '" + (dir_ / "output.txt").string() + "' 2>&1";
    StubRun result;
    int raw = std::system(command.c_str());
    result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
    std::istringstream output(read_file_bytes(dir_ / "output.txt"));
    for (std::string line; std::getline(output, line);) result.lines.push_back(line);
    return result;
  }

  std::string joined(const StubRun& r) {
    std::string all;
    for (const auto& l : r.lines) all += l + "\n";
    return all;
  }

  TempDir dir_;
};

TEST_F(ConsoleStub, OkExtractsEveryEntryIntoTheProgramsDirectory) {
  fs::path program = bind_corpus("a24_mixed_methods.zip");
  TempDir elsewhere;
  StubRun r = run(program, "ok\n", elsewhere.path());
  EXPECT_EQ(r.status, 0) << joined(r);
  EXPECT_TRUE(r.printed("== setup =="));
  EXPECT_TRUE(r.printed("Status: Contents Listing"));
  EXPECT_TRUE(r.printed("Size:        1000 Compressed:        1000 Component: readme.txt"));
  EXPECT_TRUE(r.printed(" src/lib/implode_8k_3trees.txt "));
  EXPECT_TRUE(r.printed("[setup] Extraction Complete 11 files processed"));
  for (const Json& e : corpus_archive("a24_mixed_methods.zip")["entries"]) {
    if (e["is_directory"].get<bool>()) continue;
    fs::path out = dir_ / e["name"].get<std::string>();
    EXPECT_EQ(sha256_hex(read_file_bytes(out)), e["sha256"].get<std::string>()) << out;
    EXPECT_EQ(modification_time_text(out), e["dos_datetime"].get<std::string>());
  }
  EXPECT_TRUE(fs::is_empty(elsewhere.path()));  // nothing lands in the start directory
}

TEST_F(ConsoleStub, ListingLinesArePrintedOnceEach) {
  StubRun r = run(bind_corpus("a01_stored.zip"), "ok\n", dir_.path());
  EXPECT_EQ(std::count(r.lines.begin(), r.lines.end(), " docs/readme.txt "), 1) << joined(r);
  EXPECT_EQ(std::count_if(r.lines.begin(), r.lines.end(),
                          [](const std::string& l) { return l.rfind("Original:", 0) == 0; }),
            1);
}

TEST_F(ConsoleStub, CancelAnsweredNoThenYes) {
  StubRun r = run(bind_corpus("a01_stored.zip"), "cancel\nn\ncancel\ny\n", dir_.path());
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(std::count(r.lines.begin(), r.lines.end(), "[setup] Are You Sure You Want To Cancel?"), 2);
  EXPECT_TRUE(r.printed("[setup] Stopped at your request"));
  EXPECT_FALSE(fs::exists(dir_ / "hello.txt"));
}

TEST_F(ConsoleStub, EndOfInputAtThePromptIsCancelAnsweredYes) {
  StubRun r = run(bind_corpus("a01_stored.zip"), "", dir_.path());
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(r.printed("[setup] Stopped at your request")) << joined(r);
}

TEST_F(ConsoleStub, MakeCreatesADirectoryWithoutEnteringIt) {
  fs::path program = bind_corpus("a01_stored.zip");
  StubRun r = run(program, "make fresh\nok\n", dir_.path());
  EXPECT_EQ(r.status, 0) << joined(r);
  EXPECT_TRUE(fs::is_directory(dir_ / "fresh"));
  EXPECT_TRUE(fs::is_empty(dir_ / "fresh"));
  EXPECT_TRUE(fs::exists(dir_ / "docs"));
}

TEST_F(ConsoleStub, SelectingASubdirectoryChangesWhereOkExtracts) {
  fs::path program = bind_corpus("a01_stored.zip");
  StubRun r = run(program, "make target\ncd target\nok\n", dir_.path());
  EXPECT_EQ(r.status, 0) << joined(r);
  EXPECT_TRUE(fs::is_directory(dir_ / "target" / "docs"));
  EXPECT_FALSE(fs::exists(dir_ / "docs"));
  EXPECT_TRUE(r.printed("Target Directory: " + (dir_ / "target").string()));
}

// Started elsewhere, the stub lists the start folder first and then enters
// its own: only the folder OK extracts into is shown as the target.
TEST_F(ConsoleStub, TargetDirectoryIsShownOnceAsWhereOkExtracts) {
  fs::path program = bind_corpus("a01_stored.zip");
  TempDir elsewhere;
  StubRun r = run(program, "ok\n", elsewhere.path());
  std::vector<std::string> shown;
  for (const std::string& line : r.lines)
    if (line.rfind("Target Directory:", 0) == 0) shown.push_back(line);
  EXPECT_EQ(shown, std::vector<std::string>{"Target Directory: " + dir_.path().string()}) << joined(r);
}

TEST_F(ConsoleStub, UnknownDirectoryAndCommandAreExplained) {
  StubRun r = run(bind_corpus("a01_stored.zip"), "cd nowhere\nfrobnicate\nok\n", dir_.path());
  EXPECT_EQ(r.status, 0);
  EXPECT_TRUE(r.printed("Not in the directory list: nowhere"));
  EXPECT_TRUE(r.printed("Commands: ok | cancel | cd NAME | make NAME | dirs | help"));
}

TEST_F(ConsoleStub, QuestionsAreAnsweredFromInput) {
  fs::path program = bind_corpus("a17_bzip2_7zip.zip");
  StubRun yes = run(program, "ok\ny\nyes\n", dir_.path());
  EXPECT_EQ(yes.status, 0) << joined(yes);
  EXPECT_TRUE(yes.printed("[first.txt]  Unable To Extract The Above Component Continue? "));
  EXPECT_TRUE(yes.printed("[setup] Extraction Complete 2 files processed"));
  StubRun no = run(program, "ok\nn\n", dir_.path());
  EXPECT_EQ(no.status, 1);
  EXPECT_TRUE(no.printed("[setup] Stopped at your request"));
}

TEST_F(ConsoleStub, NothingAppendedListsNotABoundZipFile) {
  StubRun r = run(bind(""), "ok\n", dir_.path());
  EXPECT_EQ(r.status, 0);
  EXPECT_TRUE(r.printed("Not A Bound Zip File"));
  EXPECT_TRUE(r.printed("[setup] Nothing Extracted - Bound Zip File Not Present"));
}

TEST_F(ConsoleStub, FullDiskStopsWithWriteErrorAndKeepsEarlierFiles) {
  ZipBuilder zip;
  zip.add(stored_entry("small.txt", std::string(1000, 's')));
  zip.add(stored_entry("large.bin", std::string(200000, 'L')));
  fs::path program = bind(zip.bytes());
  // A file-size limit makes writes past 100 KiB fail as on a full disk.
  StubRun r = run(program, "ok\n", dir_.path(), "trap '' XFSZ; ulimit -f 100; ");
  EXPECT_EQ(r.status, 1) << joined(r);
  EXPECT_TRUE(r.printed("[setup] Error writing output file"));
  EXPECT_EQ(read_file_bytes(dir_ / "small.txt"), std::string(1000, 's'));
}

}  // namespace

// Counts past 32,767 (and 65,535): the listing's totals line and the closing
// message carry the whole number.
TEST_F(ConsoleStub, FortyThousandEntriesAreCountedInFull) {
  ZipBuilder zip;
  for (int i = 0; i < 40000; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "d%d/f%d", i / 1000, i);
    zip.add(stored_entry(name, ""));
  }
  StubRun r = run(bind(zip.bytes()), "ok\n", dir_.path());
  EXPECT_EQ(r.status, 0);
  auto totals = std::find_if(r.lines.begin(), r.lines.end(),
                             [](const std::string& l) { return l.rfind("Original:", 0) == 0; });
  ASSERT_NE(totals, r.lines.end());
  EXPECT_NE(totals->find("40000 Files"), std::string::npos) << *totals;
  EXPECT_TRUE(r.printed("[setup] Extraction Complete 40000 files processed")) << r.lines.back();
  EXPECT_TRUE(fs::is_regular_file(dir_ / "d39" / "f39999"));
}
