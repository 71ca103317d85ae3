#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <vector>

#include "base/command_words.h"
#include "base/text.h"
#include "platform/linux/running_child.h"
#include "platform/run_program.h"

extern char** environ;

namespace platform {

bool run_program(const ProgramRun& run, int& status) {
  std::vector<std::vector<char>> words;
  const char* p = run.arguments;
  std::vector<char> word(kPathCapacity);
  while (next_word(p, word.data(), word.size())) words.push_back(word);
  std::vector<char*> argv{const_cast<char*>(run.program)};
  for (auto& w : words) argv.push_back(w.data());
  for (char* const* a = run.pass_on_args; a && *a; ++a) argv.push_back(*a);
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addchdir_np(&actions, run.work_dir);
  // The ending signals wait until the handlers know the child; it starts
  // with the mask this process had.
  sigset_t ending, before;
  sigemptyset(&ending);
  for (int signal : kEndingSignals) sigaddset(&ending, signal);
  sigprocmask(SIG_BLOCK, &ending, &before);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  posix_spawnattr_setsigmask(&attributes, &before);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK);
  pid_t child;
  int error = posix_spawn(&child, run.program, &actions, &attributes, argv.data(), environ);
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  if (error == 0) running_child = child;
  sigprocmask(SIG_SETMASK, &before, nullptr);
  if (error != 0) return false;
  int wait_status = 0;
  int waited;
  while ((waited = waitpid(child, &wait_status, 0)) < 0 && errno == EINTR) {
  }
  running_child = 0;
  if (waited < 0) return false;
  status = WIFEXITED(wait_status) ? WEXITSTATUS(wait_status) : 128 + WTERMSIG(wait_status);
  return true;
}

}  // namespace platform
