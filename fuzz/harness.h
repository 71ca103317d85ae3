// Shared by the fuzz targets and the malformed-archive tests: a program file
// run in-process from a folder of its own, and the endings a run may have.
#pragma once
#include <string>
#include <vector>

#include "tests/support/extraction_run.h"

// The ending of an extraction pass as the user meets it: "Extraction
// Complete" or "Nothing Extracted" after status 0, the fatal message text
// after status 1; empty when the run ended any other way.
std::string extraction_ending(const RunOutcome& outcome);
// The same for a listing pass: "Listed" (a totals line), "Not A Bound Zip
// File", or the fatal message text.
std::string listing_ending(const RunOutcome& outcome);

// <root>/program.bin is the program file, <root>/inner/target the target
// directory; anything else that appears below <root> was written outside the
// target. The folder is kept for the life of the object, run after run.
class RunFolder {
 public:
  RunFolder();
  fs::path program() const { return root_.path() / "program.bin"; }
  fs::path target() const { return root_.path() / "inner" / "target"; }

  // Writes `bytes` as the program file and runs one pass, every question
  // answered Yes, the password boxes given `passwords`, then Cancel.
  RunOutcome extract(const std::string& bytes, std::deque<std::string> passwords = {});
  RunOutcome list(const std::string& bytes);

  // Paths below the root (relative to it) besides the program file, the
  // target directory and the folder holding it.
  std::vector<std::string> strays() const;
  // Removes the target directory and every stray.
  void clean();

 private:
  TempDir root_;
};

// Caps every file the process writes at 4 MiB, far above any entry of the
// corpus (a write beyond fails as on a full disk), so that data decoding to
// gigabytes costs no more than that.
void cap_output_files();
// The one folder of a fuzz target, made at the first call, with the cap.
RunFolder& fuzz_run_folder();

// Ends the process with `what` and `detail` on stderr when `condition` is
// false: a finding for the fuzzer, a failure for a replay.
void require(bool condition, const char* what, const std::string& detail = "");
