#include "sfxbind/output/entry_encryption.h"

namespace sfxbind {

Bytes aes_extra_field(uint16_t version, uint16_t method) {
  Bytes field(11);
  write_le16(&field[0], kAesExtraId);
  write_le16(&field[2], 7);
  write_le16(&field[4], version);
  field[6] = 'A';
  field[7] = 'E';
  field[8] = kAesStrength256;
  write_le16(&field[9], method);
  return field;
}

EntryEncryption::EntryEncryption(std::string password) : password_(std::move(password)) {
  keys_.cipher = {CipherKind::kAes, kAesStrength256, 1, 0};
}

Bytes EntryEncryption::begin() {
  const unsigned salt = aes_salt_size(keys_.cipher);
  if (!platform::random_bytes(keys_.header, salt)) throw BindError("the system's random generator failed");
  if (!derive_aes_keys(keys_, reinterpret_cast<const uint8_t*>(password_.data()), password_.size(),
                       keys_.header + salt))
    throw BindError("the system's cryptography failed to derive the keys");
  return Bytes(keys_.header, keys_.header + salt + kAesVerifierSize);
}

void EntryEncryption::encrypt(std::span<uint8_t> data) {
  aes_encrypt(keys_, data.data(), static_cast<uint32_t>(data.size()));
}

Bytes EntryEncryption::finish() {
  uint8_t code[platform::kSha1Size];
  aes_authentication_code(keys_, code);
  return Bytes(code, code + kAesCodeSize);
}

}  // namespace sfxbind
