#include "archive/entry_cipher.h"

#include <cstring>

#include "archive/entry_policy.h"

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
  const auto* p = reinterpret_cast<const uint8_t*>(extra.data());
  for (size_t at = 0; at + 4 <= extra.size();) {
    const uint16_t id = read_le16(p + at), size = read_le16(p + at + 2);
    if (at + 4 + size > extra.size()) break;
    const uint8_t* field = p + at + 4;
    // Version, "AE", strength, method; a longer field is read as far as that.
    if (id == kAesExtraId && size >= 7 && field[2] == 'A' && field[3] == 'E') {
      const uint16_t version = read_le16(field);
      if ((version == 1 || version == 2) && field[4] >= 1 && field[4] <= 3)
        c = {CipherKind::kAes, field[4], version, read_le16(field + 5)};
      break;
    }
    at += 4 + size;
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
