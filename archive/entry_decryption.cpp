#include "archive/entry_decryption.h"

#include <cstring>

#include "archive/crc32.h"

namespace {

constexpr unsigned kAesIterations = 1000;

void update_keys(uint32_t* keys, uint8_t plain) {
  keys[0] = crc32_byte(keys[0], plain);
  keys[1] = (keys[1] + (keys[0] & 0xFF)) * 134775813u + 1;
  keys[2] = crc32_byte(keys[2], static_cast<uint8_t>(keys[1] >> 24));
}

void zip_decrypt(uint32_t* keys, uint8_t* bytes, uint32_t count) {
  for (uint32_t i = 0; i < count; ++i) {
    const uint32_t t = (keys[2] | 2) & 0xFFFF;
    bytes[i] = static_cast<uint8_t>(bytes[i] ^ ((t * (t ^ 1)) >> 8));
    update_keys(keys, bytes[i]);
  }
}

void zip_filter(void* context, uint8_t* bytes, uint32_t count) {
  zip_decrypt(static_cast<EntryDecryption*>(context)->zip_keys, bytes, count);
}

// The next batch of counter blocks (128-bit little-endian, from 1), encrypted.
void next_key_stream(EntryDecryption& d) {
  for (uint32_t at = 0; at < kKeyStreamBatch; at += platform::kAesBlock) {
    for (unsigned i = 0; i < platform::kAesBlock && ++d.counter[i] == 0; ++i) {
    }
    std::memcpy(d.key_stream + at, d.counter, platform::kAesBlock);
  }
  platform::aes_encrypt_blocks(d.aes, d.key_stream, kKeyStreamBatch);
  d.used = 0;
}

void apply_key_stream(EntryDecryption& d, uint8_t* bytes, uint32_t count) {
  while (count != 0) {
    if (d.used == kKeyStreamBatch) next_key_stream(d);
    uint32_t n = kKeyStreamBatch - d.used;
    if (n > count) n = count;
    const uint8_t* key = d.key_stream + d.used;
    for (uint32_t i = 0; i < n; ++i) bytes[i] ^= key[i];
    d.used += n;
    bytes += n;
    count -= n;
  }
}

// The code covers the encrypted bytes.
void aes_filter(void* context, uint8_t* bytes, uint32_t count) {
  auto& d = *static_cast<EntryDecryption*>(context);
  platform::hmac_sha1_add(d.mac, bytes, count);
  apply_key_stream(d, bytes, count);
}

}  // namespace

void aes_authentication_code(EntryDecryption& d, uint8_t code[platform::kSha1Size]) {
  platform::hmac_sha1_finish(d.mac, code);
  platform::aes_end(d.aes);
}

void release_decryption(EntryDecryption& d) {
  uint8_t unused[platform::kSha1Size];
  aes_authentication_code(d, unused);
}

bool derive_aes_keys(EntryDecryption& d, const uint8_t* password, size_t size, uint8_t* verifier) {
  const unsigned key_size = aes_key_size(d.cipher);
  uint8_t keys[2 * 32 + kAesVerifierSize];
  if (!platform::pbkdf2_hmac_sha1(password, size, d.header, aes_salt_size(d.cipher), kAesIterations, keys,
                                  2 * key_size + kAesVerifierSize))
    return false;
  std::memcpy(verifier, keys + 2 * key_size, kAesVerifierSize);
  release_decryption(d);  // a previous try's, if it never came to its code
  std::memset(d.counter, 0, sizeof d.counter);
  d.used = kKeyStreamBatch;
  return platform::aes_begin(d.aes, keys, key_size) &&
         platform::hmac_sha1_begin(d.mac, keys + key_size, key_size);
}

void aes_encrypt(EntryDecryption& d, uint8_t* bytes, uint32_t count) {
  apply_key_stream(d, bytes, count);
  platform::hmac_sha1_add(d.mac, bytes, count);
}

bool try_password(EntryDecryption& d, const LocalHeader& header, const uint8_t* password, size_t size) {
  if (d.cipher.kind == CipherKind::kAes) {
    uint8_t verifier[kAesVerifierSize];
    return derive_aes_keys(d, password, size, verifier) &&
           std::memcmp(verifier, d.header + aes_salt_size(d.cipher), kAesVerifierSize) == 0;
  }
  uint32_t* keys = d.zip_keys;
  keys[0] = 0x12345678;
  keys[1] = 0x23456789;
  keys[2] = 0x34567890;
  for (size_t i = 0; i < size; ++i) update_keys(keys, password[i]);
  uint8_t check[kZipCryptoHeader];
  std::memcpy(check, d.header, kZipCryptoHeader);
  zip_decrypt(keys, check, kZipCryptoHeader);
  const uint8_t last = check[kZipCryptoHeader - 1];
  return last == header.crc32() >> 24 || last == header.mod_time() >> 8;
}

void start_decryption(ArchiveStream& s, EntryDecryption& d, uint64_t size) {
  archive_set_filter(s, archive_position(s) + size,
                     d.cipher.kind == CipherKind::kAes ? aes_filter : zip_filter, &d);
}

bool finish_decryption(ArchiveStream& s, EntryDecryption& d) {
  archive_set_filter(s, 0, nullptr, nullptr);
  if (d.cipher.kind != CipherKind::kAes) return true;
  uint8_t stored[kAesCodeSize], code[platform::kSha1Size];
  aes_authentication_code(d, code);
  return archive_read(s, stored, kAesCodeSize) == kAesCodeSize &&
         std::memcmp(stored, code, kAesCodeSize) == 0;
}
