// How an entry's data is encrypted, read from its local header: the ZIP
// format's traditional stream cipher ("ZipCrypto", flag bit 0), or AES as
// AE-1/AE-2 describe it (method 99 and extra field 0x9901, which holds the
// real method and the key size).
#pragma once
#include <cstdint>
#include <string_view>

#include "archive/records.h"

enum class CipherKind : uint8_t { kNone, kZipCrypto, kAes, kUnknown };

struct EntryCipher {
  CipherKind kind = CipherKind::kNone;
  uint8_t aes_strength = 0;  // 1, 2, 3: AES-128, 192, 256
  uint16_t aes_version = 0;  // 1: AE-1, CRC-32 kept; 2: AE-2, no CRC-32
  uint16_t method = 0;       // the compression method under the encryption
};

inline constexpr uint16_t kAesMethod = 99;
inline constexpr uint16_t kAesExtraId = 0x9901;
inline constexpr uint16_t kFlagStrongEncryption = 0x0040;
inline constexpr unsigned kZipCryptoHeader = 12;
inline constexpr unsigned kAesVerifierSize = 2;
inline constexpr unsigned kAesCodeSize = 10;

inline unsigned aes_key_size(const EntryCipher& c) { return 8 + 8 * c.aes_strength; }   // 16, 24, 32
inline unsigned aes_salt_size(const EntryCipher& c) { return 4 + 4 * c.aes_strength; }  // 8, 12, 16
// The bytes before the encrypted data: ZipCrypto's header, AES's salt and verifier.
inline unsigned cipher_header_size(const EntryCipher& c) {
  return c.kind == CipherKind::kAes ? aes_salt_size(c) + kAesVerifierSize : kZipCryptoHeader;
}

EntryCipher read_entry_cipher(const LocalHeader& header, std::string_view extra);

// A cipher the stub decrypts, with room in the entry's data for its header
// (and for AES its authentication code).
inline bool cipher_fits(const EntryCipher& c, uint64_t compressed_size) {
  return (c.kind == CipherKind::kZipCrypto || c.kind == CipherKind::kAes) &&
         compressed_size >= cipher_header_size(c) + (c.kind == CipherKind::kAes ? kAesCodeSize : 0);
}

struct EntrySizes;
struct EntryName;
// An encrypted entry the stub extracts once a password opens it: its cipher
// fits, and unencrypted it would be a file the stub extracts.
bool opens_with_password(const LocalHeader& header, const EntrySizes& sizes, const EntryName& name,
                         const EntryCipher& cipher);

// The header as the decoders see the entry once decrypted: not encrypted,
// with the real method.
LocalHeader without_encryption(const LocalHeader& header, const EntryCipher& cipher);
