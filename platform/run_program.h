// Starting the program the settings name once the files are out, the target
// as its working directory, waited for: on Windows as the system starts a
// file (a program that asks for administrator rights through the elevation
// prompt, a package or a script through its association); on Linux the
// program itself, no shell.
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
  bool silent;  // /S: the system shows no box of its own either
};

// False when the program could not be started (or its elevation was
// refused); else true, with its exit status (any value: a Windows status of
// 0xFFFFFFFF or a crash code is the program's own, not a failure to start).
bool run_program(const ProgramRun& run, int& status);

}  // namespace platform
