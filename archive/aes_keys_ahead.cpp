#include "archive/aes_keys_ahead.h"

#include <cstring>

#include "platform/crypto.h"

namespace {

constexpr unsigned kAesIterations = 1000;

// False when the password is too long to be kept (it is then derived when used).
bool make_request(AesKeysRequest& r, const EntryCipher& cipher, const uint8_t* salt, const uint8_t* password,
                  size_t size) {
  r = {};
  if (size > sizeof r.password) return false;
  std::memcpy(r.password, password, size);
  r.password_size = static_cast<uint32_t>(size);
  r.salt_size = aes_salt_size(cipher);
  std::memcpy(r.salt, salt, r.salt_size);
  r.keys_size = 2 * aes_key_size(cipher) + kAesVerifierSize;
  return true;
}

bool derive(const AesKeysRequest& r, uint8_t* keys) {
  return platform::pbkdf2_hmac_sha1(r.password, r.password_size, r.salt, r.salt_size, kAesIterations, keys,
                                    r.keys_size);
}

void derive_on_worker(void* ahead) {
  auto& a = *static_cast<AesKeysAhead*>(ahead);
  a.derived = derive(a.request, a.keys);
}

}  // namespace

bool derive_aes_key_material(const EntryCipher& cipher, const uint8_t* salt, const uint8_t* password,
                             size_t size, uint8_t keys[kAesKeysCapacity]) {
  AesKeysRequest r;
  return make_request(r, cipher, salt, password, size) && derive(r, keys);
}

void derive_keys_ahead(AesKeysAhead& a, const EntryCipher& cipher, const uint8_t* salt,
                       const uint8_t* password, size_t size) {
  platform::join_worker(a.worker);
  a.waiting = make_request(a.request, cipher, salt, password, size);
  if (a.waiting && !platform::start_worker(a.worker, derive_on_worker, &a)) derive_on_worker(&a);
}

bool take_keys_ahead(AesKeysAhead& a, const EntryCipher& cipher, const uint8_t* salt, const uint8_t* password,
                     size_t size, uint8_t keys[kAesKeysCapacity]) {
  platform::join_worker(a.worker);
  AesKeysRequest r;
  const bool same = a.waiting && a.derived && make_request(r, cipher, salt, password, size) &&
                    std::memcmp(&r, &a.request, sizeof r) == 0;
  if (same) std::memcpy(keys, a.keys, sizeof a.keys);
  a.waiting = false;
  return same;
}
