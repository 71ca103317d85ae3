// The program's one dialog: lists the archive when it opens, lets the user
// choose or make the target directory, extracts on OK, confirms Cancel.
#pragma once
#include "archive/run_state.h"
#include "archive/scanner.h"
#include "base/text.h"
#include "platform/dialog_controls.h"
#include "resources/dlg32.h"

class MainDialog : public DialogEvents {
 public:
  // `run_after`: the settings' command, shown before OK ("" for none);
  // `passive`: OK is pressed as soon as the dialog shows.
  MainDialog(RunState& run, const char* run_after, bool passive)
      : run_(run), run_after_(run_after), passive_(passive) {}
  void initialise() override;
  // `id` is a control id of resources/dlg32.h (IDC_OK, IDC_CANCEL, IDC_DIR_LIST, IDC_MAKE).
  void command(int id) override;

 private:
  // Disables every command but Cancel, then walks the archive with `handler`.
  void run_pass(EntryHandler handler);
  void end_pass();
  void refill_dir_list();
  void press_ok();
  void press_make();
  void select_directory();

  RunState& run_;
  const char* run_after_;
  bool passive_;
  char dir_spec_[kPathCapacity] = "";
  bool pass_running_ = false;
};
