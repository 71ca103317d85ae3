#include "shell/encrypted_entry.h"

#include <cstring>

#include "base/fatal.h"
#include "platform/crypto.h"

namespace {

constexpr int kTriesPerEntry = 3;

bool try_text(RunState& run, const LocalHeader& header, const char* text) {
  return try_password(run.decryption, header, reinterpret_cast<const uint8_t*>(text), std::strlen(text));
}

// As UTF-8, then in the system's ANSI code page, which some writers hash.
bool try_kept_password(RunState& run, const LocalHeader& header) {
  if (!run.password_known) return false;
  char ansi[kPasswordCapacity];
  return try_text(run, header, run.password) ||
         (platform::password_in_ansi(run.password, ansi, sizeof ansi) && try_text(run, header, ansi));
}

}  // namespace

bool unlock_entry(RunState& run, const LocalHeader& header) {
  EntryDecryption& d = run.decryption;
  const unsigned header_size = cipher_header_size(d.cipher);
  const unsigned code_size = d.cipher.kind == CipherKind::kAes ? kAesCodeSize : 0;
  const uint32_t got = archive_read(run.archive, d.header, header_size);
  // The bar counts what is left: the header and the code (a few bytes)
  // are not worth the code that would count them.
  run.entry_sizes.compressed -= got;
  if (got != header_size) return false;  // the file ends inside it: skipped as before
  for (int asked = 0; !try_kept_password(run, header); ++asked) {
    if (run.unattended || asked == kTriesPerEntry ||
        !installed_front_end().ask_password(run.entry_name.full_name, run.paths.window_caption, run.password,
                                            kPasswordCapacity))
      return false;
    run.password_known = 1;
  }
  run.entry_sizes.compressed -= code_size;
  start_decryption(run.archive, d, run.entry_sizes.compressed);
  return true;
}
