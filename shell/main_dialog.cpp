#include "shell/main_dialog.h"

#include "archive/extract_handler.h"
#include "archive/list_handler.h"
#include "archive/scanner.h"
#include "platform/dialog_controls.h"
#include "platform/files.h"
#include "shell/fatal.h"
#include "shell/process_state.h"
#include "shell/target_dir.h"
#include "shell/window_services.h"

namespace {

char dir_spec[kPathCapacity];

void refill_dir_list() {
  platform::current_dir(dir_spec, sizeof dir_spec);
  platform::fill_dir_list(dir_spec);
}

void reset_counters() {
  files_counted = 0;
  total_uncompressed = 0;
  total_compressed = 0;
}

void run_pass(EntryHandler handler) {
  // No second pass may start from inside one of the pass's message boxes.
  platform::enable_pass_commands(false);
  prepare_run();
  scan_archive(handler);
  platform::enable_pass_commands(true);
}

void press_ok() {
  listing_mode = 0;
  char cwd_text[kPathCapacity];
  platform::current_dir(cwd_text, sizeof cwd_text);
  copy_text(target_dir, sizeof target_dir, cwd_text);
  const char separator[2] = {platform::kSeparator, '\0'};
  append_text(target_dir, sizeof target_dir, separator);
  set_status("Unzipping");
  clear_progress_lines();
  reset_counters();
  platform::repaint_dialog();
  run_pass(extract_handler);
  show_message(BoxOwner::kDialog, final_message, window_caption);
  change_drive_dir(start_dir);
  platform::end_dialog(IDC_OK);
}

void press_make() {
  char new_dir_name[kPathCapacity];
  platform::read_new_dir_name(new_dir_name, sizeof new_dir_name);
  if (new_dir_name[0] == '\0') return;
  platform::create_dir(new_dir_name);
  refill_dir_list();
  platform::set_new_dir_name("");
}

void select_directory() {
  if (platform::select_from_dir_list(dir_spec, sizeof dir_spec)) platform::fill_dir_list(dir_spec);
}

}  // namespace

void dialog_initialise() {
  platform::set_dialog_caption(window_caption);
  set_status("Status - Waiting");
  platform::set_new_dir_name("");
  platform::center_dialog();
  refill_dir_list();
  set_status("Contents Listing");
  clear_progress_lines();
  reset_counters();
  listing_mode = 1;
  platform::repaint_dialog();
  run_pass(list_handler);
  // The list shows the directory OK would extract into: the listing pass
  // has made the executable's directory current.
  refill_dir_list();
}

void dialog_command(int id) {
  switch (id) {
    case IDC_OK: press_ok(); break;
    case IDC_CANCEL:
      cancel_requested = 1;
      confirm_cancel();
      break;
    case IDC_DIR_LIST: select_directory(); break;
    case IDC_MAKE: press_make(); break;
    default: break;
  }
}
