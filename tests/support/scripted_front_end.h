// Stands in for the dialog and message boxes in tests: records what the user
// would see and answers questions from a script. end_process throws, so a
// fatal stop can be caught and examined in-process.
#pragma once
#include <deque>
#include <string>
#include <vector>

struct ProcessExit {
  int status;
};

struct Question {
  std::string text;
  std::string caption;
};

struct ScriptedFrontEnd {
  std::vector<std::string> list_lines;
  std::string status;
  std::vector<Question> questions;
  std::deque<bool> answers;       // consumed first
  bool default_answer = true;     // once the script is used up
  std::vector<std::string> messages;
  // Death tests: print each message box to stderr and really end the process.
  bool exit_for_real = false;

  void reset() { *this = ScriptedFrontEnd{}; }
};

extern ScriptedFrontEnd front_end;
