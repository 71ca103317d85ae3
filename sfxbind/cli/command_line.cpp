#include "sfxbind/cli/command_line.h"

#include <algorithm>

#include "sfxbind/byte_fields.h"
#include "sfxbind/cli/help_checks.h"
#include "sfxbind/output/binding.h"

namespace sfxbind {

namespace {

constexpr const char* kHelp =
    R"(Usage: sfxbind INPUT -o OUTPUT [--stub STUB] [--method M] [--level N] [--recompress]
                      [--follow-links] [--force] [--title TEXT] [--run "PROGRAM ARGS" [--temp]]
                      [--encrypt] [--password-file FILE]
       sfxbind --verify SETUP [--stub STUB] [--accept-findings] [--password-file FILE]

Makes a self-extracting program: the stub program, padded with zero bytes to
a multiple of 4, followed by a ZIP archive that the stub's sequential walk
can follow and that ZIP tools still read. INPUT is one of:
  a folder           every file and directory below it becomes an entry, in
                     the order of their names, written with --method (stored
                     where that would not make a file smaller), with each
                     file's time
  a ZIP file         rewritten entry by entry: sizes and CRC-32 into every
                     local header (no data descriptors), directories known
                     only by their attributes named with a trailing "/",
                     bytes between entries dropped, offsets made right;
                     entries keep their data byte for byte unless
                     --recompress is given
  a self-extractor   its archive alone is bound behind the new stub (its
                     settings are not kept: give them again)

  -o, --output OUTPUT  the self-extractor to write (written whole or not at
                       all; never the input, nor inside an input folder)
      --stub STUB      the stub program to use instead of the built-in one; a
                       stub that does not begin with "MZ" is a Linux program
                       and the output gets its execute bits
      --method M       lzma (default: the smallest output; the self-extractor
                       holds up to a 16 MiB dictionary), deflate (libdeflate:
                       faster to extract, larger) or store
      --level N        lzma 1 to 9 (default 9), deflate 1 to 12 (default 9;
                       10 to 12 are a few percent smaller and several times
                       slower), 0 stores every file
      --recompress     re-encode the ZIP's entries the self-extractor cannot
                       decode (BZip2, Zstandard, XZ) with --method: each is
                       decoded by its library and checked by its CRC-32;
                       names, times, attributes and extra fields are kept.
                       Not the default, since it writes data that differs
                       from the input's and takes time; without it such
                       entries are refused and named
      --follow-links   store what symbolic links in a folder point to
      --force          bind even when the checks below refuse
      --title TEXT     the caption of the dialog and of every message box
      --run "PROGRAM ARGS"
                       after a complete extraction, run PROGRAM (a file of
                       the archive) with ARGS in the target, and end with its
                       exit status; words split as Windows splits a command
                       line ("" group, \" is a quote)
      --temp           extract into a new private temporary folder, removed
                       once PROGRAM has ended (needs --run)
      --verify SETUP   check that SETUP's stub equals the stub (built-in or
                       --stub) byte for byte, that its settings hold and show
                       them, that its archive reads cleanly
                       (every entry the stub decodes decoded and checked by
                       CRC-32), and name every entry the stub will not extract
                       as stored (asked about, skipped or left empty)
      --accept-findings  with --verify: such entries do not fail the check
      --encrypt        write a folder's files as AES-256 entries (AE-1 with
                       their CRC-32, AE-2 below 20 bytes; a fresh random salt
                       each), with the password of --password-file, or asked
                       for without echo on the terminal; the self-extractor
                       asks for it (or takes /PASSWORD=). Traditional ZIP
                       encryption is read, never written: it is weak
      --password-file FILE
                       the password (the file's first line): for --encrypt,
                       or of a ZIP's encrypted entries, each then decrypted
                       and checked (a password that does not open one is
                       refused); without it only their headers are checked
      --password TEXT  the same, given on the command line (which other users
                       of the machine may see: prefer --password-file)
  -h, --help           show this text
      --version        show the version and the built-in stub

Exit status: 0 written (or verified); 1 refused by the checks (or not
verified); 2 error (command line, unreadable or damaged input, output not
writable, a length no ZIP field holds, out of memory). Nothing is written
unless the status is 0, and no temporary file is left behind.

)";

// The value of an option given as "--name VALUE", "--name=VALUE" or, for the
// short form, "-o VALUE". A second value for the same option is an error.
bool take_value(const std::vector<std::string>& args, size_t& i, const std::string& long_name,
                const char* short_name, std::string& value) {
  const std::string& arg = args[i];
  bool joined = arg.rfind(long_name + "=", 0) == 0;
  if (!joined && arg != long_name && (!short_name || arg != short_name)) return false;
  if (!value.empty()) throw BindError(long_name + " given twice (see --help)");
  if (joined) {
    value = arg.substr(long_name.size() + 1);
  } else {
    if (i + 1 >= args.size()) throw BindError(arg + " needs a value (see --help)");
    value = args[++i];
  }
  if (value.empty()) throw BindError(long_name + " needs a value (see --help)");
  return true;
}

// --method and --level; each method's default level where none is given.
Encoding encoding_from(const std::string& method, const std::string& level) {
  Encoding e;
  if (method == "lzma")
    e = {BindMethod::kLzma, kDefaultLzmaLevel};
  else if (method == "deflate")
    e = {BindMethod::kDeflate, kDefaultDeflateLevel};
  else if (method == "store")
    e = {BindMethod::kStore, 0};
  else if (!method.empty())
    throw BindError("--method takes lzma, deflate or store, not " + method);
  if (level.empty()) return e;
  int highest = highest_level(e.method);
  bool digits = level.size() <= 2 &&
                std::all_of(level.begin(), level.end(), [](char c) { return c >= '0' && c <= '9'; });
  int n = digits ? std::stoi(level) : -1;
  if (n < 0 || n > highest)
    throw BindError("--level takes 0 to " + std::to_string(highest) + " with this method, not " + level);
  e.level = n;
  return e;
}

void describe_built_in(std::ostream& out, std::span<const uint8_t> stub) {
  if (stub.empty())
    out << "none; --stub is required\n";
  else
    out << stub.size() << " bytes, a " << (stub_kind(stub) == StubKind::kWindows ? "Windows" : "Linux")
        << " program\n";
}

}  // namespace

Options parse_command_line(const std::vector<std::string>& args) {
  Options options;
  std::string level, method;
  bool options_ended = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (options_ended || arg.empty() || arg[0] != '-' || arg == "-") {
      if (!options.input.empty()) throw BindError("more than one input given: " + arg + " (see --help)");
      options.input = arg;
    } else if (arg == "--") {
      options_ended = true;
    } else if (arg == "-h" || arg == "--help") {
      options.help = true;
    } else if (arg == "--version") {
      options.version = true;
    } else if (arg == "--force") {
      options.force = true;
    } else if (arg == "--accept-findings") {
      options.accept_findings = true;
    } else if (arg == "--follow-links") {
      options.follow_links = true;
    } else if (arg == "--encrypt") {
      options.encrypt = true;
    } else if (arg == "--temp") {
      options.temp = true;
    } else if (arg == "--recompress") {
      options.recompress = true;
    } else if (!take_value(args, i, "--output", "-o", options.output) &&
               !take_value(args, i, "--stub", nullptr, options.stub) &&
               !take_value(args, i, "--verify", nullptr, options.verify) &&
               !take_value(args, i, "--level", nullptr, level) &&
               !take_value(args, i, "--method", nullptr, method) &&
               !take_value(args, i, "--title", nullptr, options.title) &&
               !take_value(args, i, "--run", nullptr, options.run) &&
               !take_value(args, i, "--password", nullptr, options.password) &&
               !take_value(args, i, "--password-file", nullptr, options.password_file)) {
      throw BindError("unknown option " + arg + " (see --help)");
    }
  }
  if (options.help || options.version) return options;
  if (!options.password.empty() && !options.password_file.empty())
    throw BindError("give the password once: --password or --password-file");
  options.encoding = encoding_from(method, level);
  if (!options.verify.empty()) {
    if (!options.input.empty() || !options.output.empty() || !options.title.empty() || !options.run.empty() ||
        options.temp || options.encrypt)
      throw BindError(
          "--verify takes only the self-extractor to check (and --stub, --accept-findings, --password-file)");
    return options;
  }
  if (options.accept_findings) throw BindError("--accept-findings goes with --verify (see --help)");
  if (options.input.empty())
    throw BindError("no input given: a folder, a ZIP file or a self-extractor (see --help)");
  if (options.output.empty()) throw BindError("no output given: use -o OUTPUT");
  return options;
}

void print_help(std::ostream& out, std::span<const uint8_t> built_in_stub) {
  out << kHelp;
  print_checks(out);
  out << "\nBuilt-in stub: ";
  describe_built_in(out, built_in_stub);
}

void print_version(std::ostream& out, std::span<const uint8_t> built_in_stub) {
  out << "sfxbind " << kVersion << "\nBuilt-in stub: ";
  describe_built_in(out, built_in_stub);
}

}  // namespace sfxbind
