#include <openssl/evp.h>
#include <openssl/rand.h>

#include "platform/crypto.h"

namespace platform {

bool aes_begin(CipherHandles& aes, const uint8_t* key, unsigned key_size) {
  const EVP_CIPHER* cipher = key_size == 16   ? EVP_aes_128_ecb()
                             : key_size == 24 ? EVP_aes_192_ecb()
                                              : EVP_aes_256_ecb();
  EVP_CIPHER_CTX* context = EVP_CIPHER_CTX_new();
  aes = {nullptr, context};
  return context && EVP_EncryptInit_ex(context, cipher, nullptr, key, nullptr) == 1 &&
         EVP_CIPHER_CTX_set_padding(context, 0) == 1;
}

void aes_encrypt_blocks(CipherHandles& aes, uint8_t* blocks, uint32_t size) {
  int written = 0;
  EVP_EncryptUpdate(static_cast<EVP_CIPHER_CTX*>(aes.key), blocks, &written, blocks, static_cast<int>(size));
}

void aes_end(CipherHandles& aes) {
  EVP_CIPHER_CTX_free(static_cast<EVP_CIPHER_CTX*>(aes.key));
  aes = {};
}

bool hmac_sha1_begin(CipherHandles& mac, const uint8_t* key, unsigned key_size) {
  EVP_MAC* hmac = EVP_MAC_fetch(nullptr, "HMAC", nullptr);
  EVP_MAC_CTX* context = hmac ? EVP_MAC_CTX_new(hmac) : nullptr;
  mac = {hmac, context};
  char digest[] = "SHA1";
  const OSSL_PARAM params[] = {OSSL_PARAM_construct_utf8_string("digest", digest, 0), OSSL_PARAM_END};
  return context && EVP_MAC_init(context, key, key_size, params) == 1;
}

void hmac_sha1_add(CipherHandles& mac, const uint8_t* data, uint32_t size) {
  EVP_MAC_update(static_cast<EVP_MAC_CTX*>(mac.key), data, size);
}

void hmac_sha1_finish(CipherHandles& mac, uint8_t out[kSha1Size]) {
  if (!mac.key) return;
  size_t written = 0;
  EVP_MAC_final(static_cast<EVP_MAC_CTX*>(mac.key), out, &written, kSha1Size);
  EVP_MAC_CTX_free(static_cast<EVP_MAC_CTX*>(mac.key));
  EVP_MAC_free(static_cast<EVP_MAC*>(mac.algorithm));
  mac = {};
}

bool pbkdf2_hmac_sha1(const uint8_t* password, size_t password_size, const uint8_t* salt, unsigned salt_size,
                      unsigned iterations, uint8_t* out, unsigned out_size) {
  return PKCS5_PBKDF2_HMAC_SHA1(reinterpret_cast<const char*>(password), static_cast<int>(password_size),
                                salt, static_cast<int>(salt_size), static_cast<int>(iterations),
                                static_cast<int>(out_size), out) == 1;
}

bool random_bytes(uint8_t* out, size_t size) { return RAND_bytes(out, static_cast<int>(size)) == 1; }

// The system's code page is UTF-8.
bool password_in_ansi(const char*, char*, unsigned) { return false; }

}  // namespace platform
