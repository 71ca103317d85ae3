// One run of the tool from start to end: read, check, report, write (or
// verify).
#pragma once
#include <cstdint>
#include <ostream>
#include <span>

#include "sfxbind/cli/command_line.h"

namespace sfxbind {

enum ExitStatus : int { kBound = 0, kRefused = 1, kFailed = 2 };

// Findings and errors go to `err`, one line each; the closing line of a
// successful binding or verification goes to `out`.
int run_binding(const Options& options, std::span<const uint8_t> built_in_stub, std::ostream& out,
                std::ostream& err);

}  // namespace sfxbind
