// The SHA-1 functions are the only ones in libcrypto 3.0 that hash without
// allocating: the key derivation below runs them thousands of times an entry.
#define OPENSSL_SUPPRESS_DEPRECATED
#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/rand.h>
#include <openssl/sha.h>

#include <cstdlib>
#include <cstring>
#include <initializer_list>

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

// The ciphers are fetched from the provider once: fetching on every key
// (what EVP_aes_256_ecb() leads to) took 30 µs of each entry.
const EVP_CIPHER* fetched_ecb(unsigned key_size) {
  if (key_size != 16 && key_size != 24 && key_size != 32) return nullptr;
  static EVP_CIPHER* const ciphers[] = {EVP_CIPHER_fetch(nullptr, "AES-128-ECB", nullptr),
                                        EVP_CIPHER_fetch(nullptr, "AES-192-ECB", nullptr),
                                        EVP_CIPHER_fetch(nullptr, "AES-256-ECB", nullptr)};
  return ciphers[(key_size - 16) / 8];
}

}  // namespace

bool aes_begin(CipherHandles& aes, const uint8_t* key, unsigned key_size) {
  const EVP_CIPHER* cipher = fetched_ecb(key_size);
  EVP_CIPHER_CTX* context = cipher ? EVP_CIPHER_CTX_new() : nullptr;
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

namespace {

// One HMAC round of PBKDF2 on a 20-byte message, as two SHA-1 blocks
// padded once (RFC 3174's padding of 64 + 20 bytes) and fed straight to the
// block function: SHA1_Update and SHA1_Final's copying and padding cost as
// much as the blocks themselves here.
struct RoundBlocks {
  uint8_t inner[SHA_CBLOCK], outer[SHA_CBLOCK];
};

RoundBlocks round_blocks() {
  RoundBlocks b = {};
  constexpr unsigned kBits = (SHA_CBLOCK + kSha1Size) * 8;
  for (uint8_t* block : {b.inner, b.outer}) {
    block[kSha1Size] = 0x80;
    block[SHA_CBLOCK - 2] = kBits >> 8;
    block[SHA_CBLOCK - 1] = kBits & 0xFF;
  }
  return b;
}

// The state's digest, big-endian, into a block's first 20 bytes.
void put_digest(const SHA_CTX& state, uint8_t* out) {
  const SHA_LONG words[] = {state.h0, state.h1, state.h2, state.h3, state.h4};
  for (SHA_LONG word : words) {
    word = __builtin_bswap32(word);
    std::memcpy(out, &word, sizeof word);
    out += sizeof word;
  }
}

// Only the chaining words of a state that has taken whole blocks matter.
void set_chain(SHA_CTX& state, const SHA_CTX& from) {
  state.h0 = from.h0;
  state.h1 = from.h1;
  state.h2 = from.h2;
  state.h3 = from.h3;
  state.h4 = from.h4;
}

// The next U of PBKDF2 from the one in `b.inner`, left there too; `state`
// is scratch (its chaining words are set here).
void hmac_round(const HmacPads& pads, SHA_CTX& state, RoundBlocks& b) {
  set_chain(state, pads.inner);
  SHA1_Transform(&state, b.inner);
  put_digest(state, b.outer);
  set_chain(state, pads.outer);
  SHA1_Transform(&state, b.outer);
  put_digest(state, b.inner);
}

}  // namespace

// PBKDF2 (RFC 8018) over the pads. OpenSSL 3.0's own copies and frees
// digest contexts every round: 1.5 ms for an AES-256 entry's keys, paid once
// per entry; this takes 0.26 ms. The output's blocks (four for AES-256) are
// independent: their rounds are taken in turn, so the processor overlaps one
// block's hashing with the next's (0.36 ms one block after another).
bool pbkdf2_hmac_sha1(const uint8_t* password, size_t password_size, const uint8_t* salt, unsigned salt_size,
                      unsigned iterations, uint8_t* out, unsigned out_size) {
  constexpr unsigned kLanes = 4;
  const HmacPads pads = hmac_pads(password, password_size);
  RoundBlocks b[kLanes];
  uint8_t sum[kLanes][kSha1Size];
  for (uint32_t first = 1; out_size != 0; first += kLanes) {
    unsigned lanes = 0;
    for (; lanes < kLanes && (lanes * kSha1Size) < out_size; ++lanes) {
      const uint32_t block = first + lanes;
      const uint8_t index[4] = {static_cast<uint8_t>(block >> 24), static_cast<uint8_t>(block >> 16),
                                static_cast<uint8_t>(block >> 8), static_cast<uint8_t>(block)};
      b[lanes] = round_blocks();
      SHA_CTX inner = pads.inner;
      SHA1_Update(&inner, salt, salt_size);
      SHA1_Update(&inner, index, sizeof index);
      hmac_finish(pads, inner, b[lanes].inner);
      std::memcpy(sum[lanes], b[lanes].inner, kSha1Size);
    }
    SHA_CTX scratch = {};
    for (unsigned round = 1; round < iterations; ++round)
      for (unsigned lane = 0; lane < lanes; ++lane) {
        hmac_round(pads, scratch, b[lane]);
        for (unsigned i = 0; i < kSha1Size; ++i) sum[lane][i] ^= b[lane].inner[i];
      }
    for (unsigned lane = 0; lane < lanes; ++lane) {
      const unsigned n = out_size < kSha1Size ? out_size : kSha1Size;
      std::memcpy(out, sum[lane], n);
      out += n;
      out_size -= n;
    }
  }
  OPENSSL_cleanse(b, sizeof b);
  OPENSSL_cleanse(sum, sizeof sum);
  return true;
}

bool random_bytes(uint8_t* out, size_t size) { return RAND_bytes(out, static_cast<int>(size)) == 1; }

// The system's code page is UTF-8.
bool password_in_ansi(const char*, char*, unsigned) { return false; }

}  // namespace platform
