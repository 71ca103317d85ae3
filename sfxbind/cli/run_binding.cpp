#include "sfxbind/cli/run_binding.h"

#include <algorithm>
#include <filesystem>
#include <set>

#include "sfxbind/checks/name_collisions.h"
#include "sfxbind/checks/preflight.h"
#include "sfxbind/checks/verify.h"
#include "sfxbind/cli/entry_password.h"
#include "sfxbind/files/native_path.h"
#include "sfxbind/output/bind_settings.h"
#include "sfxbind/output/binding.h"
#include "sfxbind/output/folder_archive.h"

namespace sfxbind {

namespace fs = std::filesystem;

namespace {

constexpr uint64_t kLargestWindowsProgram = 0xFFFFFFFF;
constexpr uint64_t kLargestSignedProgram = 0x80000000;

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

// An entry whose data fails its check while it is written, without --force.
struct DataRefused {
  Finding finding;
};

// Reports every finding, refusals under `refusal_label`; returns how many
// entries are refused.
size_t report(const Findings& findings, const char* refusal_label, std::ostream& err) {
  std::set<std::string> refused;
  for (const Finding& f : findings) {
    bool refusal = f.severity == Severity::kRefusal;
    if (refusal) refused.insert(f.entry);
    const char* label = refusal ? refusal_label : f.severity == Severity::kNote ? "note" : "warning";
    err << "sfxbind: " << label << ": " << (f.entry.empty() ? "" : f.entry + ": ") << f.reason << '\n';
  }
  return refused.size();
}

uint64_t folder_bytes(const FolderPlan& plan) {
  uint64_t bytes = 0;
  for (const FolderEntry& e : plan.entries) bytes += e.size;
  return bytes;
}

uint64_t data_bytes(const RewritePlan& plan) {
  uint64_t bytes = 0;
  for (const RewrittenEntry& e : plan.entries) bytes += e.data_size;
  return bytes;
}

const char* forced_or_refused(const Options& options) { return options.force ? "forced" : "refused"; }

int nothing_written(size_t refused, std::ostream& err) {
  err << "sfxbind: nothing written: " << refused << (refused == 1 ? " entry" : " entries")
      << " would not extract as expected (--force binds anyway)\n";
  return kRefused;
}

// The output's directory is one the walk reads: compared as the file system
// compares them (by what they are, whatever the case of their names or the
// links on the way), the folder's own and those it reaches through links.
bool lies_inside(const std::string& output, const std::string& folder, const FolderPlan& plan) {
  std::error_code error;
  fs::path dir = fs::absolute(native_path(output), error).parent_path();
  auto is_dir = [&](const fs::path& walked) { return fs::equivalent(dir, walked, error) && !error; };
  if (is_dir(native_path(folder))) return true;
  return std::any_of(plan.entries.begin(), plan.entries.end(),
                     [&](const FolderEntry& e) { return e.directory && is_dir(e.path); });
}

// The folder's entries and what the preflight says about them.
FolderPlan plan_folder_binding(const Options& options, StubKind kind, Findings& findings) {
  FolderPlan plan = plan_folder(options.input, options.follow_links);
  if (lies_inside(options.output, options.input, plan))
    throw BindError("the output " + options.output + " lies inside the folder " + options.input +
                    ": write it elsewhere");
  if (plan.entries.empty() && plan.refusals.empty())
    throw BindError(options.input + ": the folder is empty: nothing to bind");
  findings = plan.refusals;
  NameCollisions names(kind);
  for (const FolderEntry& e : plan.entries) {
    Bytes local = planned_local_header(e, options.encoding, options.encrypt);
    check_local_header(local, kind, findings);
    names.add(local);
  }
  names.report(findings);
  return plan;
}

int verify(const Options& options, const Stub& stub, std::ostream& out, std::ostream& err) {
  Verdict verdict = verify_self_extractor(options.verify, stub.bytes, stub.name);
  size_t findings = report(verdict.findings, "finding", err);
  bool good = verdict.good && (findings == 0 || options.accept_findings);
  std::string text = verdict.text;
  if (verdict.good && findings > 0)
    text += "; " + std::to_string(findings) + (findings == 1 ? " entry" : " entries") +
            " will not extract as stored (named above" +
            (options.accept_findings ? ", accepted)" : "; --accept-findings accepts them)");
  (good ? out : err) << "sfxbind: " << options.verify << ": " << text << '\n';
  return good ? kBound : kRefused;
}

}  // namespace

int run_binding(const Options& options, std::span<const uint8_t> built_in_stub, std::ostream& out,
                std::ostream& err) {
  try {
    set_entry_password(options.password_file.empty() ? options.password
                                                     : read_password_file(options.password_file));
    if (entry_password()->empty()) set_entry_password(std::nullopt);
    if (!options.verify.empty()) return verify(options, load_stub(options, built_in_stub), out, err);
    std::error_code error;
    fs::file_status input = fs::status(native_path(options.input), error);
    if (error) throw BindError("cannot read " + options.input + ": " + error.message());
    bool folder = fs::is_directory(input);
    if (!folder && !fs::is_regular_file(input))
      throw BindError(options.input + ": not a folder, a ZIP file or a self-extractor");
    if (options.encrypt && !folder)
      throw BindError("--encrypt takes a folder (a ZIP's entries are bound as they are encrypted)");
    if (options.encrypt && !entry_password()) set_entry_password(ask_new_password());
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
      rewrite = about(options.input, [&] {
        return plan_rewrite(*archive, layout,
                            options.recompress ? std::optional<Encoding>(options.encoding) : std::nullopt);
      });
      findings = preflight(layout, rewrite, kind);
    }
    if (folder)
      check_run_program(settings, folder_plan, kind);
    else
      check_run_program(settings, layout, kind);
    size_t refused = report(findings, forced_or_refused(options), err);
    if (refused > 0 && !options.force) return nothing_written(refused, err);

    AtomicOutput output(options.output);
    if (kind == StubKind::kWindows)
      output.limit_size(kLargestWindowsProgram,
                        "a Windows self-extractor of 4 GiB or more would not start (Windows does not run a "
                        "program file of that size): ship it as a Linux self-extractor with --stub, or split "
                        "the payload");
    output.write(prefix);
    output.write(settings_block(settings));
    std::optional<Progress> progress;
    if (folder) {
      progress.emplace(folder_bytes(folder_plan), folder_plan.entries.size(), stderr);
      write_folder(folder_plan, options.encoding, output, &*progress,
                   options.encrypt ? &*entry_password() : nullptr);
    } else {
      progress.emplace(data_bytes(rewrite), rewrite.entries.size(), stderr);
      std::unique_ptr<EntryEncoder> encoder = options.recompress ? make_encoder(options.encoding) : nullptr;
      about(options.input, [&] {
        write_rewrite(
            *archive, layout, rewrite, output,
            [&](const Finding& f) {
              if (!options.force) throw DataRefused{f};
              report({f}, "forced", err);
            },
            &*progress, encoder.get());
      });
    }
    progress.reset();
    output.commit(kind == StubKind::kLinux);
    if (kind == StubKind::kWindows && output.position() > kLargestSignedProgram)
      err << "sfxbind: warning: the self-extractor is over 2 GiB (" << output.position()
          << " bytes): code-signing tools may refuse it\n";
    size_t entries = folder ? folder_plan.entries.size() : layout.entries.size();
    out << "sfxbind: wrote " << options.output << ": " << entries << " entries behind a " << prefix.size()
        << "-byte stub\n";
    return kBound;
  } catch (const DataRefused& refusal) {
    return nothing_written(report({refusal.finding}, "refused", err), err);
  } catch (const BindError& e) {
    err << "sfxbind: " << e.what() << '\n';
    return kFailed;
  } catch (const std::bad_alloc&) {
    err << "sfxbind: out of memory: nothing written\n";
    return kFailed;
  } catch (const std::exception& e) {
    err << "sfxbind: " << e.what() << ": nothing written\n";
    return kFailed;
  }
}

}  // namespace sfxbind
