#include "shell/program_entry.h"

#include <cstdlib>

#include "platform/dialog_controls.h"
#include "platform/files.h"
#include "shell/fatal.h"
#include "shell/process_state.h"

int program_entry() {
  start_dir = static_cast<char*>(alloc_zeroed(kPathCapacity));
  platform::current_dir(start_dir, kPathCapacity);
  platform::module_path(own_path, sizeof own_path);
  char drive[kDriveCapacity], dir[kPartCapacity], base_name[kPartCapacity], ext[kPartCapacity];
  split_path(own_path, drive, dir, base_name, ext);
  merge_path(target_dir, drive, dir, nullptr, nullptr);
  copy_text(window_caption, sizeof window_caption, base_name);
  append_text(window_caption, sizeof window_caption, ext);
  platform::run_main_dialog();
  return 0;
}
