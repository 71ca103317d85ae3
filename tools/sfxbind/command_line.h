// The tool's command line and its help text.
#pragma once
#include <cstdint>
#include <ostream>
#include <span>
#include <string>
#include <vector>

namespace sfxbind {

struct Options {
  std::string archive;
  std::string output;
  std::string stub;  // empty: the built-in stub
  bool force = false;
  bool help = false;
};

// `args` without the program name. Throws BindError for a command line that
// cannot be carried out; with --help nothing else is required.
Options parse_command_line(const std::vector<std::string>& args);

void print_help(std::ostream& out, std::span<const uint8_t> built_in_stub);

}  // namespace sfxbind
