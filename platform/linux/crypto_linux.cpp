// The SHA-1 functions are the only ones in libcrypto 3.0 that hash without
// allocating: the key derivation below runs them thousands of times an entry.
#define OPENSSL_SUPPRESS_DEPRECATED
#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/rand.h>
#include <openssl/sha.h>

#include <cstdlib>
#include <cstring>

#include "platform/crypto.h"

namespace platform {

namespace {

// HMAC-SHA1 as two SHA-1 states that have taken the padded key (RFC 2104);
// each code then costs two SHA-1 blocks and no allocation, and no state of
// the library's is shared (the code of an entry's data is made on a worker
// thread, which may still run while the process exits).
struct HmacPads {
  SHA_CTX inner, outer;
};

HmacPads hmac_pads(const uint8_t* key, size_t key_size) {
  uint8_t block[SHA_CBLOCK] = {};
  if (key_size > SHA_CBLOCK)
    SHA1(key, key_size, block);
  else
    std::memcpy(block, key, key_size);
  HmacPads pads;
  for (uint8_t& b : block) b ^= 0x36;
  SHA1_Init(&pads.inner);
  SHA1_Update(&pads.inner, block, SHA_CBLOCK);
  for (uint8_t& b : block) b ^= 0x36 ^ 0x5C;
  SHA1_Init(&pads.outer);
  SHA1_Update(&pads.outer, block, SHA_CBLOCK);
  OPENSSL_cleanse(block, sizeof block);
  return pads;
}

// The code of the inner state fed so far; `inner` is used up.
void hmac_finish(const HmacPads& pads, SHA_CTX& inner, uint8_t out[kSha1Size]) {
  SHA1_Final(out, &inner);
  SHA_CTX outer = pads.outer;
  SHA1_Update(&outer, out, kSha1Size);
  SHA1_Final(out, &outer);
}

}  // namespace

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

// The code's state: the pads and the inner hash fed so far.
struct HmacState {
  HmacPads pads;
  SHA_CTX inner;
};

bool hmac_sha1_begin(CipherHandles& mac, const uint8_t* key, unsigned key_size) {
  auto* state = static_cast<HmacState*>(std::malloc(sizeof(HmacState)));
  mac = {nullptr, state};
  if (!state) return false;
  state->pads = hmac_pads(key, key_size);
  state->inner = state->pads.inner;
  return true;
}

void hmac_sha1_add(CipherHandles& mac, const uint8_t* data, uint32_t size) {
  SHA1_Update(&static_cast<HmacState*>(mac.key)->inner, data, size);
}

void hmac_sha1_finish(CipherHandles& mac, uint8_t out[kSha1Size]) {
  auto* state = static_cast<HmacState*>(mac.key);
  if (!state) return;
  hmac_finish(state->pads, state->inner, out);
  OPENSSL_cleanse(state, sizeof *state);
  std::free(state);
  mac = {};
}

// PBKDF2 (RFC 8018) over the pads. OpenSSL 3.0's own copies and frees
// digest contexts every round: 1.5 ms for an AES-256 entry's keys, three
// times this, and paid once per entry.
bool pbkdf2_hmac_sha1(const uint8_t* password, size_t password_size, const uint8_t* salt, unsigned salt_size,
                      unsigned iterations, uint8_t* out, unsigned out_size) {
  const HmacPads pads = hmac_pads(password, password_size);
  for (uint32_t block = 1; out_size != 0; ++block) {
    const uint8_t index[4] = {static_cast<uint8_t>(block >> 24), static_cast<uint8_t>(block >> 16),
                              static_cast<uint8_t>(block >> 8), static_cast<uint8_t>(block)};
    uint8_t u[kSha1Size], sum[kSha1Size];
    SHA_CTX inner = pads.inner;
    SHA1_Update(&inner, salt, salt_size);
    SHA1_Update(&inner, index, sizeof index);
    hmac_finish(pads, inner, u);
    std::memcpy(sum, u, kSha1Size);
    for (unsigned round = 1; round < iterations; ++round) {
      inner = pads.inner;
      SHA1_Update(&inner, u, kSha1Size);
      hmac_finish(pads, inner, u);
      for (unsigned i = 0; i < kSha1Size; ++i) sum[i] ^= u[i];
    }
    const unsigned n = out_size < kSha1Size ? out_size : kSha1Size;
    std::memcpy(out, sum, n);
    out += n;
    out_size -= n;
  }
  return true;
}

bool random_bytes(uint8_t* out, size_t size) { return RAND_bytes(out, static_cast<int>(size)) == 1; }

// The system's code page is UTF-8.
bool password_in_ansi(const char*, char*, unsigned) { return false; }

}  // namespace platform
