#include "tests/support/extraction_run.h"

#include <cstdlib>

#include "archive/list_handler.h"
#include "archive/scanner.h"
#include "platform/files.h"
#include "shell/extract_handler.h"
#include "shell/target_dir.h"

namespace {

RunOutcome run_pass(const fs::path& program, const fs::path& target, EntryHandler handler, int32_t listing,
                    uint64_t progress_total = 0) {
  fs::path here = fs::current_path();
  RunState run;  // a fresh one, as at program start
  RunPaths& paths = run.paths;
  copy_text(paths.start_dir, sizeof paths.start_dir, here.string().c_str());
  copy_text(paths.own_path, sizeof paths.own_path, program.string().c_str());
  std::string target_text = target.string();
  if (target_text.empty() || !platform::is_separator(target_text.back())) target_text += platform::kSeparator;
  copy_text(paths.target_dir, sizeof paths.target_dir, target_text.c_str());
  run.listing_mode = listing;
  run.progress.total = progress_total;
  ScriptedInstallation installation(run);

  RunOutcome outcome;
  try {
    prepare_run(run);
    scan_archive(run, handler);
    outcome.message = run.final_message;
  } catch (const ProcessExit& exit) {
    // What the process exit would do: close the open output file.
    if (run.window.output != platform::kNoFile) platform::close_file(run.window.output);
    run.window.output = platform::kNoFile;
    outcome.exit_status = exit.status;
    outcome.message = front_end.messages.empty() ? "" : front_end.messages.back();
  }
  release_decryption(run.decryption);
  close_archive_stream(run.archive);
  release_window(run.window);  // the process exit's job in the stub
  fs::current_path(here);
  outcome.list_lines = front_end.list_lines;
  outcome.questions = front_end.questions;
  outcome.files_counted = run.counters.files_counted;
  outcome.progress = front_end.progress;
  return outcome;
}

}  // namespace

RunOutcome run_listing(const fs::path& program) {
  front_end.reset();
  return run_pass(program, program.parent_path(), list_handler, 1);
}

RunOutcome run_extraction(const fs::path& program, const fs::path& target, std::deque<bool> answers,
                          bool otherwise, uint64_t progress_total, size_t cancel_at_report,
                          std::deque<std::string> passwords) {
  front_end.reset();
  front_end.cancel_at_report = cancel_at_report;
  front_end.answers = std::move(answers);
  front_end.passwords = std::move(passwords);
  front_end.default_answer = otherwise;
  return run_pass(program, target, extract_handler, 0, progress_total);
}
