#include "shell/encrypted_entry.h"

#include <cstring>

#include "base/fatal.h"
#include "platform/crypto.h"

namespace {

constexpr int kTriesPerEntry = 3;
// Enough for the local header, name, extra field and salt an AES entry has
// from every common writer; a longer one is derived when it is reached.
constexpr uint32_t kNextHeaderPeek = 512;

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

// The next entry's keys, when its local header follows this entry's data (no
// data descriptor between) and asks for AES: derived under the password
// kept for the run while this entry is decoded. Writers give every entry of
// an archive the same key size; where one does not, the keys derived ahead
// are not the ones asked for and are derived again.
void derive_next_keys(RunState& run, const LocalHeader& header, uint64_t data_end) {
  uint8_t peek[kNextHeaderPeek];
  if (header.flags() & kFlagDataDescriptor || run.decryption.cipher.kind != CipherKind::kAes) return;
  const uint32_t got = archive_peek(run.archive, data_end, peek, sizeof peek);
  const LocalHeader& next = record_at<LocalHeader>(peek);
  const uint32_t salt_at = sizeof next.bytes + next.name_length() + next.extra_length();
  if (got >= sizeof next.bytes && read_le16(peek) == kSignatureWord &&
      read_le16(peek + 2) == kLocalHeaderType && next.method() == kAesMethod &&
      salt_at + kAesSaltCapacity <= got)
    derive_keys_ahead(run.decryption.ahead, run.decryption.cipher, peek + salt_at,
                      reinterpret_cast<const uint8_t*>(run.password), std::strlen(run.password));
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
  const uint64_t data_end = archive_position(run.archive) + run.entry_sizes.compressed + code_size;
  start_decryption(run.archive, d, run.entry_sizes.compressed);
  derive_next_keys(run, header, data_end);
  return true;
}
