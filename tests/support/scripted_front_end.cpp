#include "tests/support/scripted_front_end.h"

#include <cstdio>
#include <cstdlib>

#include "base/fatal.h"
#include "platform/paths.h"

ScriptedFrontEnd front_end;

namespace {

void install_plain() { install_front_end({&front_end, "", nullptr, nullptr}); }

[[maybe_unused]] const bool installed_at_start = (install_plain(), true);

}  // namespace

void ScriptedFrontEnd::show_progress_line(const char* text) {
  list_lines.emplace_back(text);
  status = text;
}

void ScriptedFrontEnd::clear_progress_lines() { list_lines.clear(); }

void ScriptedFrontEnd::set_status(const char* text) { status = text; }

bool ScriptedFrontEnd::ask_yes_no(const char* text, const char* caption) {
  questions.push_back({text, caption});
  if (answers.empty()) return default_answer;
  bool answer = answers.front();
  answers.pop_front();
  return answer;
}

void ScriptedFrontEnd::show_message(BoxOwner, const char* text, const char* caption) {
  messages.emplace_back(text);
  if (exit_for_real) std::fprintf(stderr, "[%s] %s\n", caption, text);
}

void ScriptedFrontEnd::pass_progress(uint64_t done, uint64_t total) {
  progress.emplace_back(done, total);
  if (run && progress.size() == cancel_at_report) {
    run->cancel_requested = 1;
    confirm_cancel(*run);
  }
}

void ScriptedFrontEnd::end_process(int status) {
  if (exit_for_real) std::exit(status);
  throw ProcessExit{status};
}

ScriptedInstallation::ScriptedInstallation(RunState& run) {
  front_end.run = &run;
  install_front_end({&front_end, run.paths.window_caption, run.paths.start_dir, change_drive_dir});
}

ScriptedInstallation::~ScriptedInstallation() {
  front_end.run = nullptr;
  install_plain();
}
