// Runs one damaged program file through the extraction pass in a child
// process, so that a crash or a hang is a finding about that case rather than
// the end of the suite, and measures what the run cost. Output files are
// capped as in the fuzz targets (cap_output_files). The program file and the
// target directory live in a RunFolder of the runner's own.
#pragma once
#include <map>
#include <string>
#include <vector>

struct CaseResult {
  // extraction_ending() of the run; else "signal N", "deadline passed" or
  // "unspecified: <closing message>".
  std::string ending;
  bool specified = false;
  int exit_status = -1;
  int files_counted = -1;
  std::vector<std::string> strays;  // written outside the target directory
  bool program_intact = false;      // the program file still holds its bytes
  long peak_growth_kib = 0;         // resident memory gained during the run
  double seconds = 0;
};

inline constexpr double kCaseDeadlineSeconds = 10;

CaseResult run_case(const std::string& program_bytes);

// Counts the cases of one group by ending and prints the table when it goes
// out of scope (and records it as a test property).
class EndingTally {
 public:
  explicit EndingTally(std::string group) : group_(std::move(group)) {}
  ~EndingTally();
  void add(const CaseResult& result) { ++counts_[result.ending]; }

 private:
  std::string group_;
  std::map<std::string, int> counts_;
};
