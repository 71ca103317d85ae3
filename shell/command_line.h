// The stub's command line: /D=DIR, /S, /P, /?, /L=FILE ("-" for "/", any
// case; on Linux --target=DIR, --silent, --passive, --help, --log=FILE as
// well), and
// after "--" the arguments passed on to the program run after extraction.
// Anything else is ignored.
#pragma once
#include "base/text.h"

// Zeroed with `{}` (no member initialisers: the Win32 stub would carry an
// image of the record to copy from).
struct StubOptions {
  bool silent;
  bool passive;
  bool help;
  // Both as long as a path the system takes: a value never reaches the
  // system shortened (on Windows the whole command line fits; on Linux a
  // longer argument is still cut past PATH_MAX, which no call takes).
  char target[kLongPathCapacity];  // empty: the default target
  char log[kLongPathCapacity];     // where an unattended run writes its stop
  // Windows: the command line's text after "--", passed on as it is, or null.
  const char* pass_on_text;
  // Linux: the arguments after "--" (a null-terminated list), or null.
  char* const* pass_on_args;

  bool unattended() const { return silent || passive; }
};

// A Windows command line, the program's name first. An unquoted /D= that is
// the last switch takes the rest of the line (up to a " -- "), blanks included.
void parse_command_text(const char* line, StubOptions& options);

// A Linux argument list (argv without the program's name, null-terminated).
void parse_arguments(char* const* args, StubOptions& options);

// The usage text /? shows.
extern const char kUsageText[];
