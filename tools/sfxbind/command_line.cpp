#include "tools/sfxbind/command_line.h"

#include "tools/sfxbind/binding.h"
#include "tools/sfxbind/byte_fields.h"

namespace sfxbind {

namespace {

constexpr const char* kHelp = R"(Usage: sfxbind ARCHIVE.zip -o OUTPUT [--stub STUB] [--force]

Makes a self-extracting program from a ZIP archive: the stub program, padded
with zero bytes to a multiple of 4, followed by the archive, whose offsets are
moved on by the stub's length so that ZIP tools still read the result.

  -o, --output OUTPUT  the self-extractor to write (written whole or not at all)
      --stub STUB      the stub program to use instead of the built-in one; a
                       stub that does not begin with "MZ" is a Linux program
                       and the output gets its execute bits
      --force          bind even when the checks below refuse
  -h, --help           show this text

Before writing, every entry is checked as the self-extractor will see it.
Refused (nothing is written unless --force is given):
  - encrypted entries (it asks about them, then skips them)
  - methods other than 0-6 and 8 (it asks, then leaves an empty file)
  - a data descriptor on a deflated entry, or on one whose local header gives
    compressed size 0 (the run stops with "File type not supported")
  - ZIP64 sizes in a local header
  - names it will not write (it asks, then skips the entry): over 259 bytes,
    nothing left once kept inside the target directory, and for a Windows
    stub the device names CON PRN AUX NUL COM1-9 LPT1-9 (with or without an
    extension) and components holding a colon
  - local headers its sequential walk does not reach (e.g. behind data that
    is not on the chain of records), and ones it reaches that the central
    directory does not list
Warned about (bound anyway):
  - names leading outside the target directory (absolute, drive letter, ".."
    components): the self-extractor keeps them inside
  - names over 201 characters (cut in the listing) or over 252 (cut in the
    progress line as well)
  - a ZIP64 end record; an archive without entries
A stub holding a ZIP record signature at a 4-byte aligned offset is never
used: the self-extractor's walk would take it for a record.

Exit status: 0 written; 1 refused by the checks; 2 error (command line,
unreadable or damaged input, output not writable). Nothing is written
unless the status is 0.
)";

// The value of an option given as "--name VALUE", "--name=VALUE" or, for the
// short form, "-o VALUE".
bool take_value(const std::vector<std::string>& args, size_t& i, const std::string& long_name,
                const char* short_name, std::string& value) {
  const std::string& arg = args[i];
  if (arg.rfind(long_name + "=", 0) == 0) {
    value = arg.substr(long_name.size() + 1);
    return true;
  }
  if (arg != long_name && (!short_name || arg != short_name)) return false;
  if (i + 1 >= args.size()) throw BindError(arg + " needs a value (see --help)");
  value = args[++i];
  return true;
}

}  // namespace

Options parse_command_line(const std::vector<std::string>& args) {
  Options options;
  bool options_ended = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (options_ended || arg.empty() || arg[0] != '-' || arg == "-") {
      if (!options.archive.empty()) throw BindError("more than one archive given: " + arg + " (see --help)");
      options.archive = arg;
    } else if (arg == "--") {
      options_ended = true;
    } else if (arg == "-h" || arg == "--help") {
      options.help = true;
    } else if (arg == "--force") {
      options.force = true;
    } else if (!take_value(args, i, "--output", "-o", options.output) &&
               !take_value(args, i, "--stub", nullptr, options.stub)) {
      throw BindError("unknown option " + arg + " (see --help)");
    }
  }
  if (options.help) return options;
  if (options.archive.empty()) throw BindError("no archive given (see --help)");
  if (options.output.empty()) throw BindError("no output given: use -o OUTPUT");
  return options;
}

void print_help(std::ostream& out, std::span<const uint8_t> built_in_stub) {
  out << kHelp << "\nBuilt-in stub: ";
  if (built_in_stub.empty())
    out << "none; --stub is required\n";
  else
    out << built_in_stub.size() << " bytes, a " << (stub_kind(built_in_stub) == StubKind::kWindows ? "Windows" : "Linux")
        << " program\n";
}

}  // namespace sfxbind
