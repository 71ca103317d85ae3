// The tool's command line and its help text.
#pragma once
#include <cstdint>
#include <ostream>
#include <span>
#include <string>
#include <vector>

#include "sfxbind/codecs/entry_encoder.h"

namespace sfxbind {

inline constexpr const char* kVersion = "2.0";

struct Options {
  std::string input;  // a folder, a ZIP file or a self-extractor
  std::string output;
  std::string stub;    // empty: the built-in stub
  std::string verify;  // a self-extractor to check instead of binding
  std::string title;   // --title, --run, --temp: the settings the stub reads
  std::string run;
  bool temp = false;
  Encoding encoding;        // --method and --level: how a folder's files and recompressed entries are written
  bool recompress = false;  // re-encode a ZIP's entries of methods the stub cannot decode
  bool force = false;
  bool accept_findings = false;  // --verify passes entries the stub will not extract as stored
  bool follow_links = false;
  std::string password;       // --password TEXT
  std::string password_file;  // --password-file FILE: its first line
  bool encrypt = false;       // a folder's files as AES-256 entries
  bool help = false;
  bool version = false;
};

// `args` without the program name. Throws BindError for a command line that
// cannot be carried out; with --help or --version nothing else is required.
Options parse_command_line(const std::vector<std::string>& args);

void print_help(std::ostream& out, std::span<const uint8_t> built_in_stub);
void print_version(std::ostream& out, std::span<const uint8_t> built_in_stub);

}  // namespace sfxbind
