#include "base/fatal.h"

namespace {
FrontEndInstallation installed;
}  // namespace

void install_front_end(const FrontEndInstallation& installation) { installed = installation; }

FrontEnd& installed_front_end() { return *installed.front_end; }

void fatal_exit(int16_t code) {
  installed.front_end->show_message(BoxOwner::kNone, exit_code_text(code), installed.caption);
  if (installed.start_dir && installed.enter_dir) installed.enter_dir(installed.start_dir);
  installed.front_end->end_process(fatal_exit_status);
  __builtin_unreachable();  // end_process is [[noreturn]], which a virtual call does not carry
}
