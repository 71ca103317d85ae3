#include "archive/run_state.h"

#include "base/fatal.h"

void confirm_cancel(RunState& run) {
  if (run.cancel_requested != 1) return;
  if (installed_front_end().ask_yes_no("Are You Sure You Want To Cancel?", run.paths.window_caption))
    fatal_exit(kStoppedAtRequest);
  run.cancel_requested = 0;
}
