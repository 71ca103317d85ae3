#include "archive/entry_cipher.h"

#include <cstring>

#include "archive/entry_policy.h"
#include "archive/extra_fields.h"

EntryCipher read_entry_cipher(const LocalHeader& header, std::string_view extra) {
  EntryCipher c;
  c.method = header.method();
  if (!(header.flags() & kFlagEncrypted)) return c;
  c.kind = CipherKind::kUnknown;
  if (header.flags() & kFlagStrongEncryption) return c;
  if (header.method() != kAesMethod) {
    c.kind = CipherKind::kZipCrypto;
    return c;
  }
  // Version, "AE", strength, method; a longer field is read as far as that.
  const std::string_view block = find_extra_block(extra, kAesExtraId);
  const auto* field = reinterpret_cast<const uint8_t*>(block.data());
  if (block.size() >= 7 && field[2] == 'A' && field[3] == 'E') {
    const uint16_t version = read_le16(field);
    if ((version == 1 || version == 2) && field[4] >= 1 && field[4] <= 3)
      c = {CipherKind::kAes, field[4], version, read_le16(field + 5)};
  }
  return c;
}

LocalHeader without_encryption(const LocalHeader& header, const EntryCipher& cipher) {
  LocalHeader plain = header;
  const uint16_t flags = static_cast<uint16_t>(header.flags() & ~kFlagEncrypted);
  const uint8_t fields[4] = {static_cast<uint8_t>(flags), static_cast<uint8_t>(flags >> 8),
                             static_cast<uint8_t>(cipher.method), static_cast<uint8_t>(cipher.method >> 8)};
  static_assert(local_field::kMethod == local_field::kFlags + 2);
  std::memcpy(plain.bytes + local_field::kFlags, fields, sizeof fields);
  return plain;
}

bool opens_with_password(const LocalHeader& header, const EntrySizes& sizes, const EntryName& name,
                         const EntryCipher& cipher) {
  return cipher_fits(cipher, sizes.compressed) &&
         entry_action(without_encryption(header, cipher), sizes, name) == EntryAction::kExtractFile;
}
