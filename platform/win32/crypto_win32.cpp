#include <windows.h>
// After windows.h, which it needs.
#include <bcrypt.h>

#include "platform/crypto.h"
#include "platform/win32/wide_text.h"

namespace platform {

namespace {

// The providers are opened once and kept until the process ends.
BCRYPT_ALG_HANDLE aes_provider = nullptr, hmac_provider = nullptr;

BCRYPT_ALG_HANDLE hmac_sha1() {
  if (!hmac_provider)
    BCryptOpenAlgorithmProvider(&hmac_provider, BCRYPT_SHA1_ALGORITHM, nullptr, BCRYPT_ALG_HANDLE_HMAC_FLAG);
  return hmac_provider;
}

BCRYPT_ALG_HANDLE aes_ecb() {
  if (!aes_provider && BCryptOpenAlgorithmProvider(&aes_provider, BCRYPT_AES_ALGORITHM, nullptr, 0) == 0) {
    wchar_t ecb[] = BCRYPT_CHAIN_MODE_ECB;
    BCryptSetProperty(aes_provider, BCRYPT_CHAINING_MODE, reinterpret_cast<PUCHAR>(ecb), sizeof ecb, 0);
  }
  return aes_provider;
}

}  // namespace

bool aes_begin(CipherHandles& aes, const uint8_t* key, unsigned key_size) {
  BCRYPT_KEY_HANDLE handle = nullptr;
  const BCRYPT_ALG_HANDLE algorithm = aes_ecb();
  const bool made = algorithm && BCryptGenerateSymmetricKey(algorithm, &handle, nullptr, 0,
                                                            const_cast<PUCHAR>(key), key_size, 0) == 0;
  aes = {algorithm, handle};
  return made;
}

void aes_encrypt_blocks(CipherHandles& aes, uint8_t* blocks, uint32_t size) {
  ULONG written = 0;
  BCryptEncrypt(aes.key, blocks, size, nullptr, nullptr, 0, blocks, size, &written, 0);
}

void aes_end(CipherHandles& aes) {
  if (aes.key) BCryptDestroyKey(aes.key);
  aes = {};
}

bool hmac_sha1_begin(CipherHandles& mac, const uint8_t* key, unsigned key_size) {
  BCRYPT_HASH_HANDLE hash = nullptr;
  const BCRYPT_ALG_HANDLE algorithm = hmac_sha1();
  const bool made =
      algorithm && BCryptCreateHash(algorithm, &hash, nullptr, 0, const_cast<PUCHAR>(key), key_size, 0) == 0;
  mac = {algorithm, hash};
  return made;
}

void hmac_sha1_add(CipherHandles& mac, const uint8_t* data, uint32_t size) {
  BCryptHashData(mac.key, const_cast<PUCHAR>(data), size, 0);
}

void hmac_sha1_finish(CipherHandles& mac, uint8_t out[kSha1Size]) {
  if (!mac.key) return;
  BCryptFinishHash(mac.key, out, kSha1Size, 0);
  BCryptDestroyHash(mac.key);
  mac = {};
}

bool pbkdf2_hmac_sha1(const uint8_t* password, size_t password_size, const uint8_t* salt, unsigned salt_size,
                      unsigned iterations, uint8_t* out, unsigned out_size) {
  const BCRYPT_ALG_HANDLE algorithm = hmac_sha1();
  return algorithm &&
         BCryptDeriveKeyPBKDF2(algorithm, const_cast<PUCHAR>(password), static_cast<ULONG>(password_size),
                               const_cast<PUCHAR>(salt), salt_size, iterations, out, out_size, 0) == 0;
}

bool random_bytes(uint8_t* out, size_t size) {
  return BCryptGenRandom(nullptr, out, static_cast<ULONG>(size), BCRYPT_USE_SYSTEM_PREFERRED_RNG) == 0;
}

// Where the code page is UTF-8 the conversion fails (no best-fit flag is
// taken there); an ASCII password comes back the same and is tried twice.
bool password_in_ansi(const char* utf8, char* out, unsigned capacity) {
  BOOL lost = FALSE;
  const WideText wide(utf8);
  const int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.get(), -1, out,
                                    static_cast<int>(capacity), nullptr, &lost);
  return n > 0 && !lost;
}

}  // namespace platform
