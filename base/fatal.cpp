#include "base/fatal.h"

namespace {
FrontEndInstallation installed;
void (*stop_undo)(void*) = nullptr;
void* stop_undo_context = nullptr;
}  // namespace

void install_front_end(const FrontEndInstallation& installation) {
  installed = installation;
  stop_undo = nullptr;
}

void set_stop_undo(void (*undo)(void*), void* context) {
  stop_undo = undo;
  stop_undo_context = context;
}

FrontEnd& installed_front_end() { return *installed.front_end; }

void fatal_exit(int16_t code) {
  // Cleared first: an undo step that stops again is not run twice.
  if (void (*undo)(void*) = stop_undo) {
    stop_undo = nullptr;
    undo(stop_undo_context);
  }
  installed.front_end->show_message(BoxOwner::kNone, exit_code_text(code), installed.caption);
  if (installed.start_dir && installed.enter_dir) installed.enter_dir(installed.start_dir);
  installed.front_end->end_process(fatal_exit_status);
  __builtin_unreachable();  // end_process is [[noreturn]], which a virtual call does not carry
}
