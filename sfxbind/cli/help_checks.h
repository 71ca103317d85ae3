// The checks the binder makes, as --help lists them: built from the texts its
// findings begin with, the stub's own name rules and the methods the stub
// decodes, so the list says what the binder really checks.
#pragma once
#include <ostream>
#include <string>

namespace sfxbind {

// Each reason stands alone on a line that begins with this.
inline constexpr const char* kReasonBullet = "    . ";

void print_checks(std::ostream& out);

// "0-6 and 8": the methods the stub decodes.
std::string decoded_methods();

}  // namespace sfxbind
