#include "archive/aes_ahead.h"

#include <cstring>

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

// The code of the entry's data, unless the run stops wanting it first.
void make_code(void* entry) {
  auto& e = *static_cast<AesAheadEntry*>(entry);
  const unsigned key_size = (e.request.keys_size - kAesVerifierSize) / 2;
  platform::CipherHandles mac{};
  if (!platform::hmac_sha1_begin(mac, e.keys + key_size, key_size)) return;
  uint64_t at = e.data.from;
  const uint64_t end = at + e.data.size;
  while (at != end && !e.abandoned.load(std::memory_order_relaxed)) {
    const uint32_t n = end - at < kCodeChunk ? static_cast<uint32_t>(end - at) : kCodeChunk;
    if (platform::read_file_at(e.file, at, e.chunk, n) != n) break;
    platform::hmac_sha1_add(mac, e.chunk, n);
    at += n;
  }
  platform::hmac_sha1_finish(mac, e.code);
  e.coded = at == end;
}

// The keys, then the code: of a small entry here, of a larger one on a
// worker of its own (here too when no thread can be had), which is joined
// before the code is looked at.
void make_ahead(void* entry) {
  auto& e = *static_cast<AesAheadEntry*>(entry);
  e.derived = derive(e.request, e.keys);
  if (e.derived && (e.data.size < kCodeOnItsOwnFrom || !platform::start_worker(e.code_worker, make_code, &e)))
    make_code(&e);
}

// Started for exactly these keys and not yet taken.
bool holds(const AesAheadEntry& e, const AesKeysRequest& r) {
  return e.waiting && std::memcmp(&r, &e.request, sizeof r) == 0;
}

void stop(AesAheadEntry& e) {
  e.abandoned = true;
  platform::join_worker(e.keys_worker);
  platform::join_worker(e.code_worker);
  e.waiting = e.in_use = false;
}

}  // namespace

bool derive_aes_key_material(const EntryCipher& cipher, const uint8_t* salt, const uint8_t* password,
                             size_t size, uint8_t keys[kAesKeysCapacity]) {
  AesKeysRequest r;
  return make_request(r, cipher, salt, password, size) && derive(r, keys);
}

void start_aes_ahead(AesAhead& a, const EntryCipher& cipher, const uint8_t* salt, const uint8_t* password,
                     size_t size, platform::FileHandle file, AesData data) {
  AesKeysRequest r;
  if (!make_request(r, cipher, salt, password, size)) return;
  AesAheadEntry* oldest = nullptr;
  for (AesAheadEntry& e : a.entries) {
    if (holds(e, r) && e.data == data) return;
    if (!e.in_use && (!oldest || e.started < oldest->started)) oldest = &e;
  }
  if (!oldest) return;  // never: only the entry being decoded is in use
  AesAheadEntry& e = *oldest;
  stop(e);
  e.abandoned = false;
  e.request = r;
  e.data = data;
  e.file = file;
  e.started = ++a.starts;
  e.waiting = true;
  e.derived = e.coded = false;
  if (!platform::start_worker(e.keys_worker, make_ahead, &e)) make_ahead(&e);
}

bool take_keys_ahead(AesAhead& a, const EntryCipher& cipher, const uint8_t* salt, const uint8_t* password,
                     size_t size, AesData data, uint8_t keys[kAesKeysCapacity], AesAheadEntry*& code_ahead) {
  AesKeysRequest r;
  code_ahead = nullptr;
  if (!make_request(r, cipher, salt, password, size)) return false;
  for (AesAheadEntry& e : a.entries) {
    if (!holds(e, r)) continue;
    platform::join_worker(e.keys_worker);
    e.waiting = false;
    if (!e.derived) return false;
    std::memcpy(keys, e.keys, sizeof e.keys);
    e.in_use = e.data == data;
    if (e.in_use) code_ahead = &e;
    return true;
  }
  return false;
}

bool take_code_ahead(AesAheadEntry& e, uint8_t code[platform::kSha1Size]) {
  platform::join_worker(e.code_worker);
  e.in_use = false;
  std::memcpy(code, e.code, sizeof e.code);
  return e.coded;
}

void end_aes_ahead(AesAhead& a) {
  for (AesAheadEntry& e : a.entries) stop(e);
}
