// Stands in for the dialog and message boxes in tests: records what the user
// would see and answers questions from a script. end_process throws, so a
// fatal stop can be caught and examined in-process.
#pragma once
#include <deque>
#include <string>
#include <utility>
#include <vector>

#include "archive/run_state.h"
#include "base/front_end.h"

struct ProcessExit {
  int status;
};

struct Question {
  std::string text;
  std::string caption;
};

struct ScriptedFrontEnd final : FrontEnd {
  std::vector<std::string> list_lines;
  std::string status;
  std::vector<Question> questions;
  std::deque<bool> answers;    // consumed first
  bool default_answer = true;  // once the script is used up
  std::vector<std::string> messages;
  std::vector<std::pair<uint64_t, uint64_t>> progress;  // (done, total) of each report
  // Death tests: print each message box to stderr and really end the process.
  bool exit_for_real = false;
  // Cancel is pressed at this progress report (1 the first, 0 never), as
  // the dialog takes it in while a pass runs.
  size_t cancel_at_report = 0;
  RunState* run = nullptr;  // the run being installed for (ScriptedInstallation)

  void reset() { *this = ScriptedFrontEnd{}; }

  void show_progress_line(const char* text) override;
  void clear_progress_lines() override;
  void set_status(const char* text) override;
  bool ask_yes_no(const char* text, const char* caption) override;
  void show_message(BoxOwner owner, const char* text, const char* caption) override;
  void pass_progress(uint64_t done, uint64_t total) override;
  [[noreturn]] void end_process(int status) override;
};

// Installed from the start (with no caption and no start directory), so a
// test that drives a part directly sees its fatal stops.
extern ScriptedFrontEnd front_end;

// Installs `front_end` for one run: fatal stops show `run`'s caption and
// return to its start directory. The plain installation is back afterwards.
class ScriptedInstallation {
 public:
  explicit ScriptedInstallation(RunState& run);
  ~ScriptedInstallation();
  ScriptedInstallation(const ScriptedInstallation&) = delete;
  ScriptedInstallation& operator=(const ScriptedInstallation&) = delete;
};
