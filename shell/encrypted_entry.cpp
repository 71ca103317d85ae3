#include "shell/encrypted_entry.h"

#include <cstring>

#include "base/fatal.h"
#include "platform/crypto.h"

namespace {

constexpr int kTriesPerEntry = 3;
// Enough for the local header, name, extra field and salt an AES entry has
// from every common writer; a longer one is derived when it is reached.
constexpr uint32_t kNextHeaderPeek = 512;

// As UTF-8, then in the system's ANSI code page, which some writers hash.
bool try_kept_password(RunState& run, const LocalHeader& header) {
  if (!run.password_known) return false;
  char ansi[kPasswordCapacity];
  const char* texts[] = {run.password,
                         platform::password_in_ansi(run.password, ansi, sizeof ansi) ? ansi : nullptr};
  for (const char* text : texts)
    if (text &&
        try_password(run.decryption, header, reinterpret_cast<const uint8_t*>(text), std::strlen(text)))
      return true;
  return false;
}

// The next entries' keys and codes, made under the password kept for the
// run while this entry is decoded: the AES entries among the local headers
// that follow, up to kAesAheadEntries of them queued at a time. Each header
// is looked at once: `next_header` is where the last look stopped. It stops
// at an entry whose size is not known until its data ends (a data
// descriptor, a ZIP64 size): the walk reaches the next header on its own.
// Writers give every entry of an archive the same key size; where one does
// not, what was made ahead is not what is asked for and is made again.
void start_next_entries(RunState& run, const LocalHeader& header, uint64_t data_end) {
  EntryDecryption& d = run.decryption;
  const EntryCipher& cipher = d.cipher;
  if (cipher.kind != CipherKind::kAes || (header.flags() & kFlagDataDescriptor)) return;
  uint64_t& next_header = d.ahead.next_header;
  if (next_header < data_end) next_header = data_end;
  const unsigned salt_size = aes_salt_size(cipher), header_size = cipher_header_size(cipher);
  const uint32_t kept = header_size + kAesCodeSize;
  unsigned ahead = aes_entries_ahead(d.ahead, data_end);
  for (unsigned looked = 0; ahead < kAesAheadEntries && looked < kAesAheadEntries; ++looked) {
    uint8_t peek[kNextHeaderPeek];
    const uint64_t at = next_header;
    const uint32_t got = archive_peek(run.archive, at, peek, sizeof peek);
    const LocalHeader& next = record_at<LocalHeader>(peek);
    const uint32_t data_at = sizeof next.bytes + next.name_length() + next.extra_length();
    if (got < sizeof next.bytes || read_le16(peek) != kSignatureWord ||
        read_le16(peek + 2) != kLocalHeaderType || (next.flags() & kFlagDataDescriptor) ||
        next.compressed_size() == kZip64Marker)
      return;
    if (next.method() == kAesMethod) {
      if (data_at + salt_size > got || next.compressed_size() < kept) return;
      start_aes_ahead(d.ahead, cipher, peek + data_at, reinterpret_cast<const uint8_t*>(run.password),
                      std::strlen(run.password), run.archive.file,
                      {at + data_at + header_size, next.compressed_size() - kept});
      ++ahead;
    }
    next_header = at + data_at + next.compressed_size();
  }
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
  d.data = {archive_position(run.archive), run.entry_sizes.compressed - code_size};
  for (int asked = 0; !try_kept_password(run, header); ++asked) {
    if (run.unattended || asked == kTriesPerEntry ||
        !installed_front_end().ask_password(run.entry_name.full_name, run.paths.window_caption, run.password,
                                            kPasswordCapacity))
      return false;
    run.password_known = 1;
  }
  run.entry_sizes.compressed -= code_size;
  start_decryption(run.archive, d, run.entry_sizes.compressed);
  start_next_entries(run, header, d.data.from + d.data.size + code_size);
  return true;
}
