// The binding tool predicts what the stub will do with every entry through
// the stub's own walk and entry policy. Held here against what the stub's
// extraction and listing passes really do, over the shared corpus and the
// malformed suite's archives, cuts, flipped bits, absurd lengths and hostile
// names.
#include <gtest/gtest.h>

#include "sfxbind/byte_fields.h"
#include "sfxbind/input/stub_walk.h"
#include "tests/malformed/archive_layout.h"
#include "tests/malformed/malformed_inputs.h"
#include "tests/support/corpus_manifest.h"
#include "tests/support/extraction_run.h"
#include "tests/support/zip_builder.h"

using namespace sfxbind;

namespace {

constexpr const char* kUnable = " Unable To Extract The Above Component Continue? ";

// What the user sees when the stub does what the tool predicts, every
// question answered Yes.
struct Seen {
  std::vector<std::string> lines;      // extraction progress lines
  std::vector<std::string> questions;  // "text|caption"
  uint32_t files = 0;
  std::string stop;   // the fatal message the policy itself leads to
  size_t listed = 0;  // listing lines, without the totals line
};

std::string progress_line(const std::string& name) { return (" " + name + " ").substr(0, kLineCapacity - 1); }

Seen predicted(const std::vector<WalkedEntry>& walked) {
  Seen s;
  for (const WalkedEntry& e : walked) {
    if (e.action != EntryAction::kSkipTarget) ++s.listed;
    if (!s.stop.empty()) continue;
    switch (e.action) {
      case EntryAction::kExtractFile:
      case EntryAction::kAskUnsupportedMethod:
      case EntryAction::kStopDataDescriptor:
        s.lines.push_back(progress_line(e.name));
        ++s.files;
        if (e.action == EntryAction::kAskUnsupportedMethod)
          s.questions.push_back(std::string(kUnable) + "|" + e.name);
        if (e.action == EntryAction::kStopDataDescriptor) s.stop = "File type not supported";
        break;
      case EntryAction::kAskEncrypted: s.questions.push_back("Encrypted File Continue?|" + e.name); break;
      case EntryAction::kAskUnusableName: s.questions.push_back(std::string(kUnable) + "|" + e.name); break;
      case EntryAction::kMakeDirectory:
      case EntryAction::kSkipTarget: break;
    }
  }
  return s;
}

bool starts_with(const std::vector<std::string>& whole, const std::vector<std::string>& part) {
  return part.size() <= whole.size() && std::equal(part.begin(), part.end(), whole.begin());
}

// Runs both passes over `archive` (as the whole program file) and compares.
void expect_agreement(const std::string& archive, const std::string& what) {
  TempDir dir;
  fs::path program = dir / "program";
  write_file_bytes(program, archive);
  fs::create_directory(dir / "target");
  RunOutcome run = run_extraction(program, dir / "target");
  std::vector<WalkedEntry> walked;
  try {
    walked = walk_as_stub(program.string());
  } catch (const BindError& stop) {
    // A header the walk cannot go past (ZIP64 sizes without their field) stops both passes alike.
    EXPECT_EQ(stop.what(), kWalkStops + run.message) << what;
    EXPECT_EQ(run_listing(program).message, run.message) << what;
    return;
  }
  Seen want = predicted(walked);
  std::vector<std::string> questions;
  for (const Question& q : run.questions) questions.push_back(q.text + "|" + q.caption);
  // A stop caused by an entry's data (a decoder, the CRC) ends the run inside
  // an entry the policy sent to its decoder: agreement up to there.
  bool stopped_by_data = run.message == "Data integrity error -- run stopped" ||
                         run.message == "CRC error -- SFX stopped" ||
                         run.message == "File type not supported";
  if (run.fatal() && run.message != want.stop && stopped_by_data) {
    EXPECT_TRUE(!run.list_lines.empty() && starts_with(want.lines, run.list_lines))
        << what << ": " << run.message;
    EXPECT_TRUE(starts_with(want.questions, questions)) << what << ": " << run.message;
  } else {
    EXPECT_EQ(run.fatal() ? run.message : "", want.stop) << what;
    EXPECT_EQ(run.list_lines, want.lines) << what;
    EXPECT_EQ(questions, want.questions) << what;
    EXPECT_EQ(static_cast<uint32_t>(run.files_counted), want.files) << what;
  }
  RunOutcome listing = run_listing(program);
  EXPECT_EQ(listing.list_lines.size(), want.listed + 1) << what;  // and the totals line
}

}  // namespace

TEST(PolicyAgreement, EveryCorpusArchive) {
  for (const Json& archive : corpus_manifest()["archives"]) {
    std::string file = archive["file"];
    expect_agreement(read_file_bytes(corpus_dir() / file), file);
  }
}

TEST(PolicyAgreement, MalformedSuiteCutsAtEveryRecordBoundaryAndInsideData) {
  std::vector<std::pair<std::string, std::string>> bases = {{"built", built_archive()}};
  for (const char* file : {"a01_stored.zip", "a24_mixed_methods.zip", "a20_zipcrypto_7zip.zip"})
    bases.push_back({file, read_file_bytes(corpus_dir() / file)});
  for (const auto& [name, archive] : bases) {
    expect_agreement(archive, name);
    for (const RecordSpan& r : archive_layout(archive))
      for (size_t cut : {r.start + 2, r.fixed_end + 1, r.name_end, (r.data_start + r.end) / 2})
        if (cut < archive.size())
          expect_agreement(archive.substr(0, cut), name + " cut at " + std::to_string(cut));
  }
}

TEST(PolicyAgreement, MalformedSuiteHostileNames) {
  for (const std::string& name : hostile_names())
    for (bool directory : {false, true}) {
      std::string stored = directory ? name + "/" : name;
      expect_agreement(ZipBuilder()
                           .add(stored_entry("before.txt", "before"))
                           .add(directory ? directory_entry(stored) : stored_entry(stored, "hostile"))
                           .add(stored_entry("after.txt", "after"))
                           .bytes(),
                       "name \"" + stored.substr(0, 80) + "\"");
    }
}

// A flipped bit or an absurd length changes a method, a flag, a size or a name
// behind the tool's back as much as the stub's: both must read it alike.
TEST(PolicyAgreement, MalformedSuiteFlippedBitsAndAbsurdLengths) {
  for (auto make : {flipped_bit_archives, absurd_length_archives})
    for (const DamagedArchive& damaged : make()) expect_agreement(damaged.archive, damaged.what);
}
