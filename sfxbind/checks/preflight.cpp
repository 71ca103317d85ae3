#include "sfxbind/checks/preflight.h"

#include <algorithm>

#include "archive/entry_cipher.h"
#include "archive/entry_name.h"
#include "archive/entry_policy.h"
#include "sfxbind/checks/method_names.h"
#include "sfxbind/checks/name_checks.h"
#include "sfxbind/checks/name_collisions.h"
#include "sfxbind/cli/entry_password.h"
#include "sfxbind/codecs/library_decoder.h"

namespace sfxbind {

bool check_local_header(const Bytes& local, StubKind stub, Findings& out) {
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
  // One the stub decrypts is asked for a password, not about.
  const bool password = action == EntryAction::kAskEncrypted &&
                        opens_with_password(h, sizes, confined, read_entry_cipher(h, extra));
  if (password) action = EntryAction::kExtractFile;
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
  return password;
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
  size_t encrypted = 0;
  NameCollisions names(stub);
  for (const RewrittenEntry& e : plan.entries) {
    encrypted += check_local_header(e.local, stub, out);
    names.add(e.local);
  }
  names.report(out);
  if (encrypted > 0 && !entry_password())
    out.push_back({Severity::kNote, "",
                   std::to_string(encrypted) + (encrypted == 1 ? " encrypted entry" : " encrypted entries") +
                       " could not be checked (give the password with --password-file FILE to have them "
                       "decrypted and checked)"});
  return out;
}

}  // namespace sfxbind
