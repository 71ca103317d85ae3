#include "archive/entry_decryption.h"

#include <bit>
#include <cstring>

#include "archive/crc32.h"

namespace {

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
// The counter is counted in two words held in registers: bytes counted in
// memory and read back as a block stalled the processor on every block.
void next_key_stream(EntryDecryption& d) {
  static_assert(std::endian::native == std::endian::little, "blocks are stored as the machine's words");
  static_assert(sizeof d.counter == platform::kAesBlock);
  uint64_t low = d.counter[0], high = d.counter[1];
  for (uint32_t at = 0; at < kKeyStreamBatch; at += platform::kAesBlock) {
    high += ++low == 0;
    std::memcpy(d.key_stream + at, &low, sizeof low);
    std::memcpy(d.key_stream + at + sizeof low, &high, sizeof high);
  }
  d.counter[0] = low;
  d.counter[1] = high;
  platform::aes_encrypt_blocks(d.aes, d.key_stream, kKeyStreamBatch);
  d.used = 0;
}

// A machine word at a time rather than a byte.
void xor_bytes(uint8_t* bytes, const uint8_t* key, uint32_t count) {
  uint32_t i = 0;
  for (uintptr_t a, b; i + sizeof a <= count; i += sizeof a) {
    std::memcpy(&a, bytes + i, sizeof a);
    std::memcpy(&b, key + i, sizeof b);
    a ^= b;
    std::memcpy(bytes + i, &a, sizeof a);
  }
  for (; i < count; ++i) bytes[i] ^= key[i];
}

void apply_key_stream(EntryDecryption& d, uint8_t* bytes, uint32_t count) {
  while (count != 0) {
    if (d.used == kKeyStreamBatch) next_key_stream(d);
    uint32_t n = kKeyStreamBatch - d.used;
    if (n > count) n = count;
    xor_bytes(bytes, d.key_stream + d.used, n);
    d.used += n;
    bytes += n;
    count -= n;
  }
}

// The code covers the encrypted bytes: hashed here as they enter the
// stream, unless it was made ahead.
void aes_filter(void* context, uint8_t* bytes, uint32_t count) {
  auto& d = *static_cast<EntryDecryption*>(context);
  if (!d.code_ahead) platform::hmac_sha1_add(d.mac, bytes, count);
  apply_key_stream(d, bytes, count);
}

}  // namespace

bool aes_authentication_code(EntryDecryption& d, uint8_t code[platform::kSha1Size]) {
  platform::hmac_sha1_finish(d.mac, code);
  platform::aes_end(d.aes);
  AesAheadEntry* ahead = d.code_ahead;
  d.code_ahead = nullptr;
  return !ahead || take_code_ahead(*ahead, code);
}

namespace {

// Its code made ahead is no longer wanted: the worker stops reading.
void release_keys(EntryDecryption& d) {
  uint8_t unused[platform::kSha1Size];
  if (d.code_ahead) d.code_ahead->abandoned = true;
  aes_authentication_code(d, unused);
}

}  // namespace

// Out of line: each pass and the end of the run release the same way.
[[gnu::noinline]] void release_decryption(EntryDecryption& d) {
  release_keys(d);
  end_aes_ahead(d.ahead);
}

bool derive_aes_keys(EntryDecryption& d, const uint8_t* password, size_t size, uint8_t* verifier) {
  const unsigned key_size = aes_key_size(d.cipher);
  uint8_t keys[kAesKeysCapacity];
  release_keys(d);  // a previous try's, if it never came to its code
  if (!take_keys_ahead(d.ahead, d.cipher, d.header, password, size, d.data, keys, d.code_ahead) &&
      !derive_aes_key_material(d.cipher, d.header, password, size, keys))
    return false;
  std::memcpy(verifier, keys + 2 * key_size, kAesVerifierSize);
  std::memset(d.counter, 0, sizeof d.counter);
  d.used = kKeyStreamBatch;
  return platform::aes_begin(d.aes, keys, key_size) &&
         (d.code_ahead || platform::hmac_sha1_begin(d.mac, keys + key_size, key_size));
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
  return aes_authentication_code(d, code) && archive_read(s, stored, kAesCodeSize) == kAesCodeSize &&
         std::memcmp(stored, code, kAesCodeSize) == 0;
}
