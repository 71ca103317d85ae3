#include "tools/sfxbind/run_binding.h"

#include <set>

#include "tools/sfxbind/binding.h"
#include "tools/sfxbind/file_io.h"
#include "tools/sfxbind/preflight.h"

namespace sfxbind {

namespace {

// Runs `step`, naming `what` in front of any error it raises.
template <class Step>
auto about(const std::string& what, Step step) {
  try {
    return step();
  } catch (const BindError& e) {
    throw BindError(what + ": " + e.what());
  }
}

// Reports every finding; returns how many entries are refused.
size_t report(const Findings& findings, bool force, std::ostream& err) {
  std::set<std::string> refused;
  for (const Finding& f : findings) {
    bool refusal = f.severity == Severity::kRefusal;
    if (refusal) refused.insert(f.entry);
    err << "sfxbind: " << (!refusal ? "warning" : force ? "forced" : "refused") << ": "
        << (f.entry.empty() ? "" : f.entry + ": ") << f.reason << '\n';
  }
  return refused.size();
}

}  // namespace

int run_binding(const Options& options, std::span<const uint8_t> built_in_stub, std::ostream& out,
                std::ostream& err) {
  try {
    Bytes archive = read_whole_file(options.archive);
    ZipLayout layout = about(options.archive, [&] { return read_zip_layout(archive); });

    Bytes stub_file;
    std::span<const uint8_t> stub = built_in_stub;
    std::string stub_name = "built-in stub";
    if (!options.stub.empty()) {
      stub_file = read_whole_file(options.stub);
      stub = stub_file;
      stub_name = options.stub;
    } else if (stub.empty()) {
      throw BindError("this sfxbind has no built-in stub: give one with --stub STUB");
    }
    Bytes prefix = about(stub_name, [&] { return padded_stub(stub); });
    StubKind kind = stub_kind(stub);

    size_t refused = report(preflight(archive, layout, kind), options.force, err);
    if (refused > 0 && !options.force) {
      err << "sfxbind: nothing written: " << refused << (refused == 1 ? " entry" : " entries")
          << " would not extract as expected (--force binds anyway)\n";
      return kRefused;
    }
    about(options.archive, [&] { shift_offsets(archive, layout, prefix.size()); });
    write_atomically(options.output, {prefix, archive}, kind == StubKind::kLinux);
    out << "sfxbind: wrote " << options.output << ": " << layout.entries.size() << " entries behind a "
        << prefix.size() << "-byte stub\n";
    return kBound;
  } catch (const BindError& e) {
    err << "sfxbind: " << e.what() << '\n';
    return kFailed;
  }
}

}  // namespace sfxbind
