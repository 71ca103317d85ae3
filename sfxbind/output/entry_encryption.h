// Writes a folder's files as AES-256 entries (AE-1, with their CRC-32, from
// 20 bytes up; AE-2 below, as the common writers do): a fresh random salt per
// entry, the data encrypted as it is written, the authentication code after it.
#pragma once
#include <span>
#include <string>

#include "archive/entry_decryption.h"
#include "sfxbind/byte_fields.h"

namespace sfxbind {

inline constexpr unsigned kAesStrength256 = 3;
inline constexpr uint64_t kAesOverhead = 16 + kAesVerifierSize + kAesCodeSize;
inline constexpr uint64_t kSmallestAe1 = 20;

inline uint16_t aes_version_for(uint64_t size) { return size >= kSmallestAe1 ? 1 : 2; }

// The 0x9901 extra field of an AES entry of the real `method`.
Bytes aes_extra_field(uint16_t version, uint16_t method);

class EntryEncryption {
 public:
  explicit EntryEncryption(std::string password);
  // A fresh salt and keys; returns the salt and password verifier that begin the entry's data.
  Bytes begin();
  // Encrypts in place.
  void encrypt(std::span<uint8_t> data);
  // The authentication code that ends the entry's data.
  Bytes finish();

 private:
  std::string password_;
  EntryDecryption keys_{};
};

}  // namespace sfxbind
