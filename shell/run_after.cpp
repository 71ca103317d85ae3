#include "shell/run_after.h"

#include <cstring>

#include "base/command_words.h"
#include "base/fatal.h"
#include "platform/files.h"
#include "platform/run_program.h"

int run_after(const RunState& run, const char* command, const StubOptions& options) {
  const char* arguments = command;
  char name[kPathCapacity];  // the settings' command is shorter
  next_word(arguments, name, sizeof name);
  for (char* c = name; *c != '\0'; ++c)
    if (platform::is_separator(*c)) *c = platform::kSeparator;
  // The target as the user chose it (the pass's own copy may be upper-cased),
  // in buffers that hold any target with any name below it.
  char work_dir[kLongPathCapacity], program[kLongPathCapacity + kPathCapacity];
  copy_text(work_dir, sizeof work_dir, run.paths.target_dir);
  format_text(program, sizeof program, "%s%s", work_dir, name);
  const size_t n = std::strlen(work_dir);
  if (n > 1 && platform::is_separator(work_dir[n - 1]) && work_dir[n - 2] != ':') work_dir[n - 1] = '\0';
  int status = 0;
  if (!platform::run_program(
          {work_dir, program, arguments, options.pass_on_text, options.pass_on_args, options.silent}, status))
    fatal_exit(kCannotRunProgram);
  return status;
}
