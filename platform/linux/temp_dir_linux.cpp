#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "base/text.h"
#include "platform/linux/running_child.h"
#include "platform/temp_dir.h"

namespace platform {

volatile sig_atomic_t running_child = 0;

namespace {

const char* temp_folder = nullptr;

// Ends the process as the signal would have, the folder removed first. A
// signal the terminal sent reached the program too (it shares the process
// group); one sent to this process alone is passed on.
void remove_and_end(int signal, siginfo_t* info, void*) {
  if (const pid_t child = running_child; child > 0) {
    if (info->si_code != SI_KERNEL) ::kill(child, signal);
    while (::waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
    }
  }
  remove_tree(temp_folder);
  struct sigaction original {};
  original.sa_handler = SIG_DFL;
  ::sigaction(signal, &original, nullptr);
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, signal);
  ::sigprocmask(SIG_UNBLOCK, &set, nullptr);
  ::raise(signal);
  ::_exit(128 + signal);  // a signal whose default is not to end the process
}

// Each ending signal removes the folder, but one ignored at the start (a
// job started in the background) stays ignored.
void remove_on_signals(const char* folder) {
  temp_folder = folder;
  struct sigaction action {};
  action.sa_sigaction = remove_and_end;
  action.sa_flags = SA_SIGINFO;
  for (int signal : kEndingSignals) sigaddset(&action.sa_mask, signal);
  for (int signal : kEndingSignals) {
    struct sigaction before {};
    if (::sigaction(signal, nullptr, &before) == 0 && before.sa_handler != SIG_IGN)
      ::sigaction(signal, &action, nullptr);
  }
}

}  // namespace

bool make_private_temp_dir(char* out, size_t capacity) {
  const char* base = std::getenv("TMPDIR");
  if (!base || base[0] != '/') base = "/tmp";
  // mkdtemp makes a folder of a new name, mode 0700, or fails.
  if (std::strlen(base) + sizeof "/sfx-XXXXXX" > capacity) return false;
  format_text(out, capacity, "%s/sfx-XXXXXX", base);
  if (::mkdtemp(out) == nullptr) return false;
  remove_on_signals(out);
  return true;
}

}  // namespace platform
