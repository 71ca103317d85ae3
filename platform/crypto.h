// The cryptography of encrypted entries, from the system (CNG's bcrypt.dll on
// Windows, OpenSSL's libcrypto on Linux), never from code of ours: AES over
// whole blocks in ECB mode (the caller makes the counter stream), HMAC-SHA1
// fed in pieces, and PBKDF2-HMAC-SHA1.
#pragma once
#include <cstddef>
#include <cstdint>

namespace platform {

inline constexpr unsigned kAesBlock = 16;
inline constexpr unsigned kSha1Size = 20;

// The system's handles of one key; zeroed means none.
struct CipherHandles {
  void* algorithm;
  void* key;
};

// Key of 16, 24 or 32 bytes; false when the system refuses it.
bool aes_begin(CipherHandles& aes, const uint8_t* key, unsigned key_size);
// Encrypts `size` bytes (a multiple of kAesBlock) in place.
void aes_encrypt_blocks(CipherHandles& aes, uint8_t* blocks, uint32_t size);
// Releases what aes_begin opened (nothing when zeroed).
void aes_end(CipherHandles& aes);

bool hmac_sha1_begin(CipherHandles& mac, const uint8_t* key, unsigned key_size);
void hmac_sha1_add(CipherHandles& mac, const uint8_t* data, uint32_t size);
// The code, and the handles released.
void hmac_sha1_finish(CipherHandles& mac, uint8_t out[kSha1Size]);

bool pbkdf2_hmac_sha1(const uint8_t* password, size_t password_size, const uint8_t* salt, unsigned salt_size,
                      unsigned iterations, uint8_t* out, unsigned out_size);

// Bytes from the system's random generator (for writers' salts).
bool random_bytes(uint8_t* out, size_t size);

// A UTF-8 password in the system's ANSI code page, where that is not UTF-8
// and holds every character; false otherwise.
bool password_in_ansi(const char* utf8, char* out, unsigned capacity);

}  // namespace platform
