#include "tests/support/extraction_run.h"

#include "archive/archive_stream.h"
#include "archive/extract_handler.h"
#include "archive/list_handler.h"
#include "archive/scanner.h"
#include "archive/slide_window.h"
#include "platform/files.h"
#include "shell/fatal.h"
#include "shell/process_state.h"
#include "shell/target_dir.h"

namespace {

RunOutcome run_pass(const fs::path& program, const fs::path& target, EntryHandler handler,
                    int32_t listing) {
  fs::path here = fs::current_path();
  static char start[kPathCapacity];
  copy_text(start, sizeof start, here.string().c_str());
  start_dir = start;
  copy_text(own_path, sizeof own_path, program.string().c_str());
  std::string target_text = target.string();
  if (target_text.empty() || !platform::is_separator(target_text.back())) target_text += platform::kSeparator;
  copy_text(target_dir, sizeof target_dir, target_text.c_str());
  files_counted = 0;
  encrypted_seen = 0;  // as at program start
  total_uncompressed = total_compressed = 0;
  cancel_requested = 0;
  listing_mode = listing;
  final_message[0] = '\0';

  RunOutcome outcome;
  try {
    prepare_run();
    scan_archive(handler);
    outcome.message = final_message;
  } catch (const ProcessExit& exit) {
    // What the process exit would do: close the open output file.
    if (output_stream != platform::kNoFile) platform::close_file(output_stream);
    output_stream = platform::kNoFile;
    outcome.exit_status = exit.status;
    outcome.message = front_end.messages.empty() ? "" : front_end.messages.back();
  }
  close_archive_stream();
  fs::current_path(here);
  outcome.list_lines = front_end.list_lines;
  outcome.questions = front_end.questions;
  outcome.files_counted = files_counted;
  return outcome;
}

}  // namespace

RunOutcome run_listing(const fs::path& program) {
  front_end.reset();
  return run_pass(program, program.parent_path(), list_handler, 1);
}

RunOutcome run_extraction(const fs::path& program, const fs::path& target, std::deque<bool> answers,
                          bool otherwise) {
  front_end.reset();
  front_end.answers = std::move(answers);
  front_end.default_answer = otherwise;
  return run_pass(program, target, extract_handler, 0);
}
