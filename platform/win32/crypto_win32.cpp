#include <windows.h>
// After windows.h, which it needs.
#include <bcrypt.h>

#include "platform/crypto.h"
#include "platform/win32/wide_text.h"

namespace platform {

namespace {

BCRYPT_ALG_HANDLE open_hmac_sha1() {
  BCRYPT_ALG_HANDLE algorithm = nullptr;
  BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_SHA1_ALGORITHM, nullptr, BCRYPT_ALG_HANDLE_HMAC_FLAG);
  return algorithm;
}

}  // namespace

bool aes_begin(CipherHandles& aes, const uint8_t* key, unsigned key_size) {
  aes = {};
  BCRYPT_ALG_HANDLE algorithm = nullptr;
  if (BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_AES_ALGORITHM, nullptr, 0) != 0) return false;
  aes.algorithm = algorithm;
  wchar_t ecb[] = BCRYPT_CHAIN_MODE_ECB;
  BCRYPT_KEY_HANDLE handle = nullptr;
  const bool made =
      BCryptSetProperty(algorithm, BCRYPT_CHAINING_MODE, reinterpret_cast<PUCHAR>(ecb), sizeof ecb, 0) == 0 &&
      BCryptGenerateSymmetricKey(algorithm, &handle, nullptr, 0, const_cast<PUCHAR>(key), key_size, 0) == 0;
  aes.key = handle;
  return made;
}

void aes_encrypt_blocks(CipherHandles& aes, uint8_t* blocks, uint32_t size) {
  ULONG written = 0;
  BCryptEncrypt(aes.key, blocks, size, nullptr, nullptr, 0, blocks, size, &written, 0);
}

void aes_end(CipherHandles& aes) {
  if (aes.key) BCryptDestroyKey(aes.key);
  if (aes.algorithm) BCryptCloseAlgorithmProvider(aes.algorithm, 0);
  aes = {};
}

bool hmac_sha1_begin(CipherHandles& mac, const uint8_t* key, unsigned key_size) {
  mac = {open_hmac_sha1(), nullptr};
  BCRYPT_HASH_HANDLE hash = nullptr;
  const bool made = mac.algorithm && BCryptCreateHash(mac.algorithm, &hash, nullptr, 0,
                                                      const_cast<PUCHAR>(key), key_size, 0) == 0;
  mac.key = hash;
  return made;
}

void hmac_sha1_add(CipherHandles& mac, const uint8_t* data, uint32_t size) {
  BCryptHashData(mac.key, const_cast<PUCHAR>(data), size, 0);
}

void hmac_sha1_finish(CipherHandles& mac, uint8_t out[kSha1Size]) {
  if (mac.key) BCryptFinishHash(mac.key, out, kSha1Size, 0);
  if (mac.key) BCryptDestroyHash(mac.key);
  if (mac.algorithm) BCryptCloseAlgorithmProvider(mac.algorithm, 0);
  mac = {};
}

bool pbkdf2_hmac_sha1(const uint8_t* password, size_t password_size, const uint8_t* salt, unsigned salt_size,
                      unsigned iterations, uint8_t* out, unsigned out_size) {
  BCRYPT_ALG_HANDLE algorithm = open_hmac_sha1();
  if (!algorithm) return false;
  const bool derived =
      BCryptDeriveKeyPBKDF2(algorithm, const_cast<PUCHAR>(password), static_cast<ULONG>(password_size),
                            const_cast<PUCHAR>(salt), salt_size, iterations, out, out_size, 0) == 0;
  BCryptCloseAlgorithmProvider(algorithm, 0);
  return derived;
}

bool random_bytes(uint8_t* out, size_t size) {
  return BCryptGenRandom(nullptr, out, static_cast<ULONG>(size), BCRYPT_USE_SYSTEM_PREFERRED_RNG) == 0;
}

bool password_in_ansi(const char* utf8, char* out, unsigned capacity) {
  if (GetACP() == CP_UTF8) return false;
  BOOL lost = FALSE;
  const WideText wide(utf8);
  const int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.get(), -1, out,
                                    static_cast<int>(capacity), nullptr, &lost);
  return n > 0 && !lost && lstrcmpA(out, utf8) != 0;
}

}  // namespace platform
