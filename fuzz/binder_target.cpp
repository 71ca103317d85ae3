// Fuzz target for the binder: the input is an archive as a user may have
// downloaded it. Its central directory is read, the rewrite planned and
// checked, and the archive written behind a stub; whatever the binder accepts
// without --force must then pass its own --verify, and the stub's own
// extraction, run in process into a folder of its own, must write every file
// entry whole, without a question. Encrypted entries are bound with the
// password "SECRET" (each decrypted and checked) and extracted with it typed
// once into the box.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/harness.h"
#include "sfxbind/checks/name_collisions.h"
#include "sfxbind/checks/preflight.h"
#include "sfxbind/checks/verify.h"
#include "sfxbind/cli/entry_password.h"
#include "sfxbind/output/archive_rewrite.h"
#include "sfxbind/output/binding.h"

using namespace sfxbind;

namespace {

// Larger entries cannot be written under the harness's cap on output files.
constexpr uint64_t kLargestExtracted = 4 << 20;

// A Linux stub as far as the binder can tell: no "MZ", no record signature.
const Bytes kStub = {'#', '!', 'f', 'u', 'z', 'z', '\n'};

bool refused(const Findings& findings) {
  for (const Finding& f : findings)
    if (f.severity == Severity::kRefusal) return true;
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static TempDir folder = [] {
    cap_output_files();
    return TempDir();
  }();
  const std::string output = (folder / "bound").string();
  Bytes bytes(data, data + size);
  MemorySource input(bytes);
  set_entry_password("SECRET");
  try {
    ZipLayout layout = read_zip_layout(input);
    RewritePlan plan = plan_rewrite(input, layout);
    if (refused(preflight(layout, plan, stub_kind(kStub)))) return 0;
    AtomicOutput out(output);
    out.write(padded_stub(kStub));
    write_rewrite(input, layout, plan, out);  // a data fault refuses with BindError
    out.commit(true);
  } catch (const BindError&) {
    return 0;  // refused or damaged beyond reading: named, nothing written
  }
  Verdict verdict = verify_self_extractor(output, kStub, "the stub");
  require(verdict.good, "bound without --force but fails --verify", verdict.text);
  require(!refused(verdict.findings), "bound without --force but --verify names an entry",
          verdict.findings.empty() ? "" : verdict.findings[0].entry + ": " + verdict.findings[0].reason);

  ZipLayout layout = read_zip_layout(FileSource(output));
  bool fits = std::all_of(layout.entries.begin(), layout.entries.end(),
                          [](const CentralEntry& e) { return e.uncompressed_size <= kLargestExtracted; });
  if (!fits) return 0;
  RunFolder& run = fuzz_run_folder();
  run.clean();
  RunOutcome outcome = run.extract(read_file_bytes(output), {"SECRET"});
  std::string ending = extraction_ending(outcome);
  require(ending == "Extraction Complete" || ending == "Nothing Extracted",
          "bound without --force but the stub ends", outcome.message);
  require(outcome.questions.empty(), "bound without --force but the stub asks", outcome.message);
  require(run.strays().empty(), "bound without --force but the stub writes outside the target");
  for (const CentralEntry& e : layout.entries) {
    if (e.is_directory()) continue;
    std::string name = written_name(e);
    std::error_code error;
    uintmax_t size = fs::file_size(run.target() / name, error);
    require(!error && size == e.uncompressed_size,
            "bound without --force but an entry is not extracted whole", e.name);
  }
  return 0;
}
