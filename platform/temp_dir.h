// The private temporary target of --temp: a folder of a fresh name under the
// user's temporary directory that this process has made itself, and its
// removal at the end.
#pragma once
#include <cstddef>

namespace platform {

// False when no such folder could be made. On Linux SIGINT, SIGTERM, SIGHUP
// and SIGQUIT then remove it before they end the process (a program
// run_program is waiting for gets the signal first and is waited for), so
// `out` must last as long as the process.
bool make_private_temp_dir(char* out, size_t capacity);

// Removes the folder and everything below it, never following links out;
// on Linux read-only folders are made writable first. False when a file
// could not be removed, with its path in `held` (when given): on Windows one
// that a program still holds open (Linux removes open files too). Then only
// that file and the folders above it stay.
bool remove_tree(const char* path, char* held = nullptr, size_t capacity = 0);

}  // namespace platform
