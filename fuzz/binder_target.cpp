// Fuzz target for the binder: the input is an archive as a user may have
// downloaded it. Its central directory is read, the rewrite planned and
// checked, and the archive written behind a stub; whatever the binder accepts
// without --force must then pass its own --verify.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/harness.h"
#include "sfxbind/archive_rewrite.h"
#include "sfxbind/binding.h"
#include "sfxbind/preflight.h"
#include "sfxbind/verify.h"

using namespace sfxbind;

namespace {

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
  return 0;
}
