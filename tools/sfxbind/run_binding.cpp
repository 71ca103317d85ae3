#include "tools/sfxbind/run_binding.h"

#include <algorithm>
#include <filesystem>
#include <set>

#include "tools/sfxbind/bind_settings.h"
#include "tools/sfxbind/binding.h"
#include "tools/sfxbind/folder_archive.h"
#include "tools/sfxbind/preflight.h"
#include "tools/sfxbind/verify.h"

namespace sfxbind {

namespace fs = std::filesystem;

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

struct Stub {
  Bytes file;  // when read from --stub
  std::span<const uint8_t> bytes;
  std::string name;
};

Stub load_stub(const Options& options, std::span<const uint8_t> built_in) {
  Stub stub;
  if (options.stub.empty()) {
    if (built_in.empty()) throw BindError("this sfxbind has no built-in stub: give one with --stub STUB");
    stub.bytes = built_in;
    stub.name = "the built-in stub";
    return stub;
  }
  FileSource source(options.stub);
  stub.file = about(options.stub, [&] { return source.read(0, static_cast<size_t>(source.size())); });
  stub.bytes = stub.file;
  stub.name = options.stub;
  return stub;
}

// Reports every finding; returns how many entries are refused.
size_t report(const Findings& findings, bool force, std::ostream& err) {
  std::set<std::string> refused;
  for (const Finding& f : findings) {
    bool refusal = f.severity == Severity::kRefusal;
    if (refusal) refused.insert(f.entry);
    const char* label = refusal                         ? (force ? "forced" : "refused")
                        : f.severity == Severity::kNote ? "note"
                                                        : "warning";
    err << "sfxbind: " << label << ": " << (f.entry.empty() ? "" : f.entry + ": ") << f.reason << '\n';
  }
  return refused.size();
}

bool lies_inside(const std::string& output, const std::string& folder) {
  std::error_code error;
  fs::path out = fs::weakly_canonical(output, error), dir = fs::canonical(folder, error);
  if (error) return false;
  return std::mismatch(dir.begin(), dir.end(), out.begin(), out.end()).first == dir.end();
}

// The folder's entries and what the preflight says about them.
FolderPlan plan_folder_binding(const Options& options, StubKind kind, Findings& findings) {
  if (lies_inside(options.output, options.input))
    throw BindError("the output " + options.output + " lies inside the folder " + options.input +
                    ": write it elsewhere");
  FolderPlan plan = plan_folder(options.input, options.follow_links);
  if (plan.entries.empty() && plan.refusals.empty())
    throw BindError(options.input + ": the folder is empty: nothing to bind");
  findings = plan.refusals;
  for (const FolderEntry& e : plan.entries) check_local_header(planned_local_header(e), kind, findings);
  return plan;
}

int verify(const Options& options, const Stub& stub, std::ostream& out, std::ostream& err) {
  Verdict verdict = verify_self_extractor(options.verify, stub.bytes, stub.name);
  (verdict.good ? out : err) << "sfxbind: " << options.verify << ": " << verdict.text << '\n';
  return verdict.good ? kBound : kRefused;
}

}  // namespace

int run_binding(const Options& options, std::span<const uint8_t> built_in_stub, std::ostream& out,
                std::ostream& err) {
  try {
    if (!options.verify.empty()) return verify(options, load_stub(options, built_in_stub), out, err);
    std::error_code error;
    fs::file_status input = fs::status(options.input, error);
    if (error) throw BindError("cannot read " + options.input + ": " + error.message());
    bool folder = fs::is_directory(input);
    if (!folder && !fs::is_regular_file(input))
      throw BindError(options.input + ": not a folder, a ZIP file or a self-extractor");
    if (same_file(options.input, options.output))
      throw BindError("the output " + options.output + " is the input: name another with -o");

    const Settings settings = settings_from(options);
    Stub stub = load_stub(options, built_in_stub);
    Bytes prefix = about(stub.name, [&] { return padded_stub(stub.bytes); });
    StubKind kind = stub_kind(stub.bytes);

    Findings findings;
    FolderPlan folder_plan;
    std::optional<FileSource> archive;
    ZipLayout layout;
    RewritePlan rewrite;
    if (folder) {
      folder_plan = plan_folder_binding(options, kind, findings);
    } else {
      archive.emplace(options.input);
      layout = about(options.input, [&] { return read_zip_layout(*archive); });
      rewrite = about(options.input, [&] { return plan_rewrite(*archive, layout); });
      findings = preflight(layout, rewrite, kind);
    }
    if (folder)
      check_run_program(settings, folder_plan, kind);
    else
      check_run_program(settings, layout, kind);
    size_t refused = report(findings, options.force, err);
    if (refused > 0 && !options.force) {
      err << "sfxbind: nothing written: " << refused << (refused == 1 ? " entry" : " entries")
          << " would not extract as expected (--force binds anyway)\n";
      return kRefused;
    }

    AtomicOutput output(options.output);
    output.write(prefix);
    output.write(settings_block(settings));
    if (folder)
      write_folder(folder_plan, options.level, output);
    else
      about(options.input, [&] { write_rewrite(*archive, layout, rewrite, output); });
    output.commit(kind == StubKind::kLinux);
    size_t entries = folder ? folder_plan.entries.size() : layout.entries.size();
    out << "sfxbind: wrote " << options.output << ": " << entries << " entries behind a " << prefix.size()
        << "-byte stub\n";
    return kBound;
  } catch (const BindError& e) {
    err << "sfxbind: " << e.what() << '\n';
    return kFailed;
  }
}

}  // namespace sfxbind
