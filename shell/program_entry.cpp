#include "shell/program_entry.h"

#include "archive/run_state.h"
#include "base/fatal.h"
#include "platform/dialog_controls.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "shell/main_dialog.h"

int program_entry(FrontEnd& front_end) {
  // The run's one state: every pass and every exit happens inside this call.
  // (Not static: the initialised record would add its size to the Win32
  // stub's file, and a function-local static's guard the C++ runtime's
  // exception machinery.)
  RunState run;
  RunPaths& paths = run.paths;
  install_front_end({&front_end, paths.window_caption, paths.start_dir, change_drive_dir});
  platform::current_dir(paths.start_dir, kPathCapacity);
  platform::module_path(paths.own_path, sizeof paths.own_path);
  char drive[kDriveCapacity], dir[kPartCapacity], base_name[kPartCapacity], ext[kPartCapacity];
  split_path(paths.own_path, drive, dir, base_name, ext);
  merge_path(paths.target_dir, drive, dir, nullptr, nullptr);
  copy_text(paths.window_caption, sizeof paths.window_caption, base_name);
  append_text(paths.window_caption, sizeof paths.window_caption, ext);
  MainDialog dialog(run);
  platform::run_main_dialog(dialog, paths.window_caption);
  // A fatal exit leaves these to the process exit; a completed run releases them.
  close_archive_stream(run.archive);
  release_window(run.window);
  return 0;
}
