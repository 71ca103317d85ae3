// Names as the self-extractor handles them: confined, rejected where the
// target system cannot hold them, cut in its text lines.
#include "sfxbind/checks/name_checks.h"

#include <gtest/gtest.h>

#include "archive/name_decoding.h"
#include "platform/files.h"
#include "sfxbind/checks/name_collisions.h"
#include "sfxbind/input/zip_layout.h"

using namespace sfxbind;

namespace {

// Each finding as "refused: reason" or "warning: reason".
std::vector<std::string> findings_for(const std::string& name, StubKind stub = StubKind::kWindows) {
  Findings found;
  check_entry_name(name, stub, name, found);
  std::vector<std::string> texts;
  for (const Finding& f : found) {
    EXPECT_EQ(f.entry, name);
    texts.push_back((f.severity == Severity::kRefusal ? "refused: " : "warning: ") + f.reason);
  }
  return texts;
}

using Texts = std::vector<std::string>;

}  // namespace

TEST(NameChecks, OrdinaryNamesPass) {
  for (const char* name : {"a.txt", "dir/", "dir/sub/file.bin", "dir\\file", "a..b", "CONSOLE.txt", "COM10",
                           "LPT10", "my con.txt", "./x.txt"})
    EXPECT_EQ(findings_for(name), Texts{}) << name;
}

TEST(NameChecks, LengthLimitsOfTheListingProgressLineAndPath) {
  EXPECT_EQ(findings_for(std::string(201, 'n')), Texts{});
  EXPECT_EQ(findings_for(std::string(202, 'n')),
            Texts{"warning: name of 202 characters is cut in the listing (over 201)"});
  EXPECT_EQ(findings_for(std::string(252, 'n')),
            Texts{"warning: name of 252 characters is cut in the listing (over 201)"});
  EXPECT_EQ(findings_for(std::string(253, 'n')),
            Texts{"warning: name of 253 characters is cut in the listing (over 201) and in the progress line "
                  "(over 252)"});
  // A directory has no progress line of its own.
  EXPECT_EQ(findings_for(std::string(244, 'd') + "/"),
            Texts{"warning: name of 245 characters is cut in the listing (over 201)"});
  // With the shortest targets, "C:\\" and "/", a path holds 32,757 more
  // UTF-16 units on Windows and 4,094 more bytes on Linux.
  const Texts too_long{
      "refused: the path is too long for the system together with the target directory: the "
      "self-extractor asks whether to continue and skips the entry: shorten its path"};
  auto path_of = [](size_t length) {
    std::string path;
    while (path.size() + 201 < length) path += std::string(200, 'd') + "/";
    return path + std::string(length - path.size(), 'n');
  };
  EXPECT_EQ(findings_for(path_of(32757)).size(), 1u);  // the warning on the listing only
  EXPECT_EQ(findings_for(path_of(32758)), too_long);
  EXPECT_EQ(findings_for(path_of(4094), StubKind::kLinux).size(), 1u);
  EXPECT_EQ(findings_for(path_of(4095), StubKind::kLinux), too_long);
  // The length that counts is the one shown, after confining.
  EXPECT_EQ(findings_for("../" + std::string(200, 'n')).size(), 1u);
}

TEST(NameChecks, WindowsDeviceNamesAndColonsAreRefusedForAWindowsStubOnly) {
  const std::string skipped =
      ": the self-extractor asks whether to continue and skips the entry: rename the file";
  for (const char* name : {"CON", "con.txt", "PRN", "aux.log", "NUL", "dir/nul", "COM1", "com9.txt", "LPT1",
                           "lpt9.doc", "dir/AUX/file.txt", "COM0", "CONIN$"}) {
    Texts found = findings_for(name);
    ASSERT_EQ(found.size(), 1u) << name;
    EXPECT_NE(found[0].find("is a Windows device name" + skipped), std::string::npos) << found[0];
    EXPECT_EQ(findings_for(name, StubKind::kLinux), Texts{}) << name;
  }
  EXPECT_EQ(findings_for("dir/a:b.txt"),
            Texts{"refused: \"a:b.txt\" holds a character Windows does not allow in names (: < > \" | ? *)" +
                  skipped});
  EXPECT_EQ(findings_for("dir/a:b.txt", StubKind::kLinux), Texts{});
}

TEST(NameChecks, NamesLeadingOutsideAreConfinedWithAWarning) {
  const std::string sep(1, platform::kSeparator);
  EXPECT_EQ(
      findings_for("/etc/passwd"),
      Texts{"warning: name leads outside the target directory: the self-extractor keeps it inside, as etc" +
            sep + "passwd"});
  EXPECT_EQ(
      findings_for("C:\\x.txt"),
      Texts{
          "warning: name leads outside the target directory: the self-extractor keeps it inside, as x.txt"});
  EXPECT_EQ(
      findings_for("a/../../b.txt"),
      Texts{"warning: name leads outside the target directory: the self-extractor keeps it inside, as a" +
            sep + "b.txt"});
  for (const char* name : {"", "..", "C:", "./.."})
    EXPECT_EQ(findings_for(name),
              Texts{"refused: nothing is left of the name inside the target directory: the "
                    "self-extractor asks whether to continue and skips the entry: rename the file"})
        << name;
  // A directory entry that names the target itself is skipped without a question.
  for (const char* name : {"/", "./", "../", "C:/"}) EXPECT_EQ(findings_for(name), Texts{}) << name;
}

namespace {

// How many of the two entries each stub refuses for meeting the other.
int meeting_refusals(const std::string& first, const std::string& second, StubKind stub) {
  NameCollisions names(stub);
  for (const std::string& name : {first, second}) {
    Bytes local(kLocalHeaderSize + name.size());
    write_le16(&local[local_field::kFlags], kFlagUtf8Name);
    write_le16(&local[local_field::kNameLength], static_cast<uint16_t>(name.size()));
    std::copy(name.begin(), name.end(), local.begin() + kLocalHeaderSize);
    names.add(local);
  }
  Findings found;
  names.report(found);
  return static_cast<int>(found.size());
}

}  // namespace

TEST(NameCollisions, NamesMeetAfterTheStubsRulesAndWindowsCaseFolding) {
  struct Row {
    const char *first, *second;
    int windows, linux;
  };
  const Row kRows[] = {
      {"x.txt", "x.txt", 1, 1},
      {"./a", "a", 1, 1},
      {"d\\x", "d/x", 1, 1},
      {"a", "a/b", 1, 1},
      {"a", "a/", 1, 1},
      {"d/", "d/", 0, 0},
      {"Docs/", "docs", 1, 0},
      {"Docs/", "docs/", 0, 0},
      {"A", "a/b", 1, 0},
      {"Ä.txt", "ä.txt", 1, 0},
      {"Σ", "ς", 1, 0},
      {"ǅ", "ǆ", 1, 0},
      {"Ａ", "ａ", 1, 0},
      {"Ⓐ", "ⓐ", 1, 0},
      {"ı", "I", 0, 0},
      {"ß", "SS", 0, 0},
      {"\xF0\x90\x90\x80", "\xF0\x90\x90\xA8", 0, 0},  // Deseret: past the BMP
      {"a.txt", "b.txt", 0, 0},
  };
  for (const Row& r : kRows) {
    EXPECT_EQ(meeting_refusals(r.first, r.second, StubKind::kWindows), r.windows)
        << r.first << " " << r.second;
    EXPECT_EQ(meeting_refusals(r.first, r.second, StubKind::kLinux), r.linux) << r.first << " " << r.second;
  }
}
