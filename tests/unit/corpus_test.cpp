// Every archive of the shared corpus, made by encoders nobody on this team
// wrote, listed and extracted as its manifest says.
#include <gtest/gtest.h>

#include "platform/text_encoding.h"
#include "tests/support/corpus_manifest.h"
#include "tests/support/extraction_run.h"
#include "tests/support/sha256.h"
#include "tests/support/zip_builder.h"

namespace {

class Corpus : public ::testing::TestWithParam<std::string> {
 protected:
  // The archive appended to a program image at a 4-byte aligned offset.
  fs::path bound_program(size_t image_size = 4096) {
    fs::path program = temp_ / "program.exe";
    write_file_bytes(program, with_program_image(read_file_bytes(corpus_dir() / GetParam()), image_size));
    return program;
  }
  const Json& archive() { return corpus_archive(GetParam()); }
  TempDir temp_;
};

std::string expected_listing_line(const Json& e) {
  char line[600];
  bool encrypted = e["flags"].get<int>() & 1;
  std::snprintf(line, sizeof line, "Size:%12ld Compressed:%12ld Component:%s%s",
                static_cast<long>(e["uncompressed_size"].get<int32_t>()),
                static_cast<long>(e["compressed_size"].get<int32_t>()),
                encrypted ? platform::kEncryptedMark : " ", native_name(e["name"]).c_str());
  return line;
}

TEST_P(Corpus, ListsEveryEntryTheScannerFinds) {
  std::vector<std::string> expected;
  uint32_t original = 0, compressed = 0;
  bool encrypted = false;
  for (const Json& e : archive()["entries"]) {
    if (!e["found_by_scanner"].get<bool>()) continue;
    expected.push_back(expected_listing_line(e));
    original += e["uncompressed_size"].get<uint32_t>();
    compressed += e["compressed_size"].get<uint32_t>();
    encrypted |= (e["flags"].get<int>() & 1) != 0;
  }
  // The totals line, with the ratio worked out here in 64-bit arithmetic.
  int ratio = original == 0 || original < compressed
                  ? 0
                  : static_cast<int>(((uint64_t{original} - compressed) * 1000 / original + 9) / 10);
  char totals[300];
  std::snprintf(
      totals, sizeof totals, "Original:%8ld%9sCompressed:%8ld   Ratio:%3d%%%16s%5d Files %s",
      static_cast<long>(original), "", static_cast<long>(compressed), ratio, "",
      static_cast<int>(expected.size()),
      encrypted ? (std::string(platform::kEncryptedMark) + " Marks encrypted files - Password Required").c_str()
                : "");
  expected.push_back(totals);

  RunOutcome run = run_listing(bound_program());
  EXPECT_FALSE(run.fatal()) << run.message;
  EXPECT_EQ(run.list_lines, expected);
}

TEST_P(Corpus, ExtractsAsTheManifestSays) {
  const Json& run_spec = archive()["expected_run"];
  TempDir target;
  RunOutcome run = run_extraction(bound_program(), target.path());

  EXPECT_EQ(run.exit_status, run_spec["process_exit_status"].get<int>());
  std::string message = run_spec.contains("fatal") ? run_spec["fatal"]["message"] : run_spec["final_message"];
  EXPECT_EQ(run.message, message);
  EXPECT_EQ(run.files_counted, run_spec["files_processed"].get<int>());

  std::vector<std::pair<std::string, std::string>> asked, expected_questions;
  for (const Question& q : run.questions) asked.emplace_back(q.caption, q.text);
  for (const Json& q : run_spec["questions_if_all_answered_yes"])
    expected_questions.emplace_back(native_name(q["entry"]), q["question"]);
  EXPECT_EQ(asked, expected_questions);

  for (const Json& e : archive()["entries"]) {
    std::string name = e["name"];
    SCOPED_TRACE(name);
    fs::path out = target.path() / native_name(name);
    std::string outcome = e["expected"]["outcome"];
    if (outcome == "directory_created") {
      EXPECT_TRUE(fs::is_directory(out));
    } else if (outcome == "question_encrypted_then_skipped" || outcome == "not_reached" ||
               outcome == "not_found_by_scanner") {
      if (!e["is_directory"].get<bool>()) {
        EXPECT_FALSE(fs::exists(out));
      }
    } else {
      ASSERT_TRUE(fs::is_regular_file(out));
      std::string got = read_file_bytes(out);
      std::string want;
      if (expected_bytes(e, want)) {
        EXPECT_EQ(got, want);
      } else {
        EXPECT_EQ(sha256_hex(got), expected_sha256(e));
      }
      if (outcome == "extracted") {
        EXPECT_EQ(modification_time_text(out), e["dos_datetime"].get<std::string>());
      }
    }
  }
}

// This archive's only local header is its first byte, so appended at an
// offset that is not a multiple of 4 no local header lands on the scanner's
// 4-byte grid; with nothing appended there is no record at all.
TEST(CorpusAlignment, UnalignedOrMissingArchiveIsNotABoundZipFile) {
  TempDir temp;
  std::string archive = read_file_bytes(corpus_dir() / "a09_reduce3_trailing_bits.zip");
  for (size_t image : {4097, 4098, 4099}) {
    write_file_bytes(temp / "program.exe", with_program_image(archive, image));
    EXPECT_EQ(run_listing(temp / "program.exe").list_lines, std::vector<std::string>{"Not A Bound Zip File"})
        << image;
  }
  write_file_bytes(temp / "program.exe", with_program_image("", 8192));
  EXPECT_EQ(run_listing(temp / "program.exe").list_lines, std::vector<std::string>{"Not A Bound Zip File"});
  TempDir target;
  RunOutcome run = run_extraction(temp / "program.exe", target.path());
  EXPECT_EQ(run.message, "Nothing Extracted - Bound Zip File Not Present");
}

INSTANTIATE_TEST_SUITE_P(All, Corpus, ::testing::ValuesIn(corpus_archive_names()), [](const auto& info) {
  std::string name = info.param.substr(0, info.param.find('.'));
  for (char& c : name)
    if (!isalnum(static_cast<unsigned char>(c))) c = '_';
  return name;
});

}  // namespace
