// Starting the program the settings name once the files are out: no shell,
// the target as its working directory, waited for.
#pragma once

namespace platform {

struct ProgramRun {
  const char* work_dir;
  const char* program;    // its full path
  const char* arguments;  // words split by the rules of base/command_words.h
  // What the self-extractor was given after "--": Windows passes the text on
  // as it is (or null), Linux the arguments (a null-terminated list, or null).
  const char* pass_on_text;
  char* const* pass_on_args;
};

// The program's exit status, or -1 when it could not be started.
int run_program(const ProgramRun& run);

}  // namespace platform
