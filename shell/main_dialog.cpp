#include "shell/main_dialog.h"

#include "archive/list_handler.h"
#include "archive/scanner.h"
#include "base/fatal.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "shell/extract_handler.h"
#include "shell/target_dir.h"

void MainDialog::run_pass(EntryHandler handler) {
  pass_running_ = true;
  platform::enable_pass_commands(false);
  prepare_run(run_);
  scan_archive(run_, handler);
}

void MainDialog::end_pass() {
  platform::enable_pass_commands(true);
  pass_running_ = false;
}

void MainDialog::refill_dir_list() {
  platform::current_dir(dir_spec_, sizeof dir_spec_);
  platform::fill_dir_list(dir_spec_);
}

void MainDialog::press_ok() {
  FrontEnd& front_end = installed_front_end();
  RunPaths& paths = run_.paths;
  run_.listing_mode = 0;
  if (!run_.target_not_current) {
    if (!platform::current_dir(paths.target_dir, sizeof paths.target_dir)) fatal_exit(kOutputDirNotAvailable);
    const char separator[2] = {platform::kSeparator, '\0'};
    append_text(paths.target_dir, sizeof paths.target_dir, separator);
  }
  front_end.set_status("Unzipping");
  front_end.clear_progress_lines();
  run_.progress = PassProgress{run_.counters.total_compressed};  // the listing's total
  run_.counters = PassCounters{};
  platform::repaint_dialog();
  // The pass does not end before the dialog: the closing box shows over the
  // full progress bar, with nothing else to press.
  run_pass(extract_handler);
  front_end.show_message(BoxOwner::kDialog, run_.final_message, paths.window_caption);
  change_drive_dir(paths.start_dir);
  platform::end_dialog(IDC_OK);
}

void MainDialog::press_make() {
  char new_dir_name[kPathCapacity];
  platform::read_new_dir_name(new_dir_name, sizeof new_dir_name);
  if (new_dir_name[0] == '\0') return;
  platform::create_dir(new_dir_name);
  refill_dir_list();
  platform::set_new_dir_name("");
}

void MainDialog::select_directory() {
  if (platform::select_from_dir_list(dir_spec_, sizeof dir_spec_)) platform::fill_dir_list(dir_spec_);
}

void MainDialog::initialise() {
  FrontEnd& front_end = installed_front_end();
  platform::set_dialog_caption(run_.paths.window_caption);
  front_end.set_status("Status - Waiting");
  platform::set_new_dir_name("");
  platform::center_dialog();
  refill_dir_list();
  front_end.set_status("Contents Listing");
  front_end.clear_progress_lines();
  run_.counters = PassCounters{};
  run_.listing_mode = 1;
  platform::repaint_dialog();
  run_pass(list_handler);
  end_pass();
  if (run_after_[0] != '\0') {
    format_text(run_.line_text, sizeof run_.line_text, "Then runs: %s", run_after_);
    front_end.show_progress_line(run_.line_text);
  }
  if (passive_) platform::post_command(IDC_OK);
  // The list shows the directory OK would extract into: the listing pass
  // has made the executable's directory current.
  refill_dir_list();
}

void MainDialog::command(int id) {
  // A command that reaches the dialog while a pass runs (from the pass's own
  // input handling or one of its message boxes) is Cancel or nothing, so no
  // second pass can start or change the directory under the running one.
  if (pass_running_ && id != IDC_CANCEL) return;
  switch (id) {
    case IDC_OK: press_ok(); break;
    case IDC_CANCEL:
      if (run_.cancel_requested) break;  // its question is open already
      run_.cancel_requested = 1;
      confirm_cancel(run_);
      break;
    case IDC_DIR_LIST: select_directory(); break;
    case IDC_MAKE: press_make(); break;
    default: break;
  }
}
