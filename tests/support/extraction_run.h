// Runs the real listing or extraction pass in-process over an archive file
// (the file stands for the program image), with the scripted front end.
#pragma once
#include <deque>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/scripted_front_end.h"
#include "tests/support/test_paths.h"

struct RunOutcome {
  int exit_status = 0;  // 0 the pass completed, otherwise the fatal exit status
  std::string message;  // the closing message, or the fatal message
  std::vector<std::string> list_lines;
  std::vector<Question> questions;
  int files_counted = 0;
  std::vector<std::pair<uint64_t, uint64_t>> progress;  // (done, total) as reported
  bool fatal() const { return exit_status != 0; }
};

RunOutcome run_listing(const fs::path& program);
// Answers every question with the next of `answers`, then with `otherwise`.
// `progress_total` stands for the listing's total of compressed bytes;
// Cancel is pressed at progress report `cancel_at_report` (0: never).
RunOutcome run_extraction(const fs::path& program, const fs::path& target, std::deque<bool> answers = {},
                          bool otherwise = true, uint64_t progress_total = 0, size_t cancel_at_report = 0);
