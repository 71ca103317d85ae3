#include "sfxbind/preflight.h"

#include <algorithm>

#include "archive/entry_name.h"
#include "archive/entry_policy.h"
#include "sfxbind/library_decoder.h"
#include "sfxbind/method_names.h"
#include "sfxbind/name_checks.h"
#include "sfxbind/name_collisions.h"

namespace sfxbind {

void check_local_header(const Bytes& local, StubKind stub, Findings& out) {
  const LocalHeader& h = record_at<LocalHeader>(local.data());
  size_t name_length = std::min<size_t>(h.name_length(), local.size() - kLocalHeaderSize);
  std::string name(reinterpret_cast<const char*>(&local[kLocalHeaderSize]), name_length);
  auto refuse = [&](const std::string& reason) { out.push_back({Severity::kRefusal, name, reason}); };

  // What the stub decides for this header and name; the name checks add why
  // a name is refused (and the Windows rules when binding on another system).
  size_t extra_length = std::min<size_t>(h.extra_length(), local.size() - kLocalHeaderSize - name_length);
  std::string_view extra(reinterpret_cast<const char*>(local.data()) + kLocalHeaderSize + name_length,
                         extra_length);
  EntryName confined{};
  confine_entry_name(name, h.flags(), extra, 1, confined);
  EntrySizes sizes;
  read_entry_sizes(h, extra, sizes);  // a marker without its value leaves it standing: not 0
  EntryAction action = entry_action(h, sizes, confined);
  if (action == EntryAction::kAskEncrypted)
    refuse(
        "encrypted: the self-extractor cannot decrypt it; it asks \"Encrypted File Continue?\" and skips it: "
        "re-create the archive without encryption");
  check_entry_name(name, stub, name, out, h.flags(), extra);
  if (action == EntryAction::kAskUnsupportedMethod)
    refuse("method " + method_label(h.method()) +
           " is not supported: the self-extractor asks \"Unable To Extract The Above Component Continue?\" "
           "and leaves an empty file: " +
           (library_decodes(h.method()) ? "give --recompress to write it again with the bind's method"
                                        : "re-create the archive with deflate"));
}

Findings preflight(const ZipLayout& layout, const RewritePlan& plan, StubKind stub) {
  Findings out = plan.findings;
  if (layout.zip64)
    out.push_back(
        {Severity::kWarning, "",
         "ZIP64 end record: the self-extractor ignores it (its offsets are rewritten all the same)"});
  if (layout.entries.empty())
    out.push_back(
        {Severity::kWarning, "", "the archive holds no entries: the self-extractor will extract nothing"});
  NameCollisions names(stub);
  for (const RewrittenEntry& e : plan.entries) {
    check_local_header(e.local, stub, out);
    names.add(e.local);
  }
  names.report(out);
  return out;
}

}  // namespace sfxbind
