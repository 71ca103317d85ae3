// The main dialog's controls as the shared dialog logic sees them. Win32
// drives the real dialog; Linux shows the same dialog on the console.
#pragma once
#include <cstddef>

#include "base/front_end.h"

// What the dialog reports to the program (the shell's main dialog implements
// it): its opening, and each command by its control id of resources/dlg32.h.
class DialogEvents {
 public:
  virtual void initialise() = 0;
  virtual void command(int id) = 0;

 protected:
  ~DialogEvents() = default;
};

namespace platform {

// This platform's face of the stub: the Win32 dialog's message boxes, or the
// console. Program entry installs it.
FrontEnd& stub_front_end();

void set_dialog_caption(const char* text);
void set_new_dir_name(const char* text);
void read_new_dir_name(char* out, size_t capacity);
void center_dialog();
// Lists the subdirectories (and drives) of dir_spec, makes it the current
// directory and shows its full path as the target directory.
void fill_dir_list(char* dir_spec);
// The selected directory or drive in a form fill_dir_list accepts; false
// when the selection is neither.
bool select_from_dir_list(char* dir_spec, size_t capacity);
void repaint_dialog();
// Disabled while a pass runs: OK, Make, the edit field and both lists, and
// the pass's progress bar shows in place of the "Select OK to begin." text.
// Cancel always stays usable.
void enable_pass_commands(bool enabled);
void end_dialog(int result);
// Runs the command `id` once the dialog shows and takes input.
void post_command(int id);
// Called before run_main_dialog: the target directory's controls are not shown.
void hide_target_controls();
// The usage text of /?: a message box, or standard output on the console.
void show_usage(const char* text, const char* caption);
// Runs the dialog modally until end_dialog, reporting to `events`.
void run_main_dialog(DialogEvents& events, const char* caption);

}  // namespace platform
