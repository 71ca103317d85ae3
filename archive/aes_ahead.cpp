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
void make_ahead(AesAheadEntry& e) {
  e.derived = derive(e.request, e.keys);
  if (e.derived && (e.data.size < kCodeOnItsOwnFrom || !platform::start_worker(e.code_worker, make_code, &e)))
    make_code(&e);
}

bool queued(const AesAheadEntry& e) { return e.stage.load(std::memory_order_acquire) == AheadStage::kQueued; }

// The keys' thread: the entries queued, oldest first, until the pass ends.
void derive_queued(void* ahead) {
  auto& a = *static_cast<AesAhead*>(ahead);
  while (!a.ending.load(std::memory_order_acquire)) {
    AesAheadEntry* oldest = nullptr;
    for (AesAheadEntry& e : a.entries)
      if (queued(e) && (!oldest || e.started < oldest->started)) oldest = &e;
    if (!oldest) {
      platform::wait_signal(a.queued);
      continue;
    }
    make_ahead(*oldest);
    oldest->stage.store(AheadStage::kMade, std::memory_order_release);
    platform::raise_signal(a.made);
  }
}

// Started on the first entry queued, kept until the pass ends.
bool keys_thread_runs(AesAhead& a) {
  if (a.keys_thread.handle) return true;
  a.ending = false;
  if (platform::make_signal(a.queued) && platform::make_signal(a.made) &&
      platform::start_worker(a.keys_thread, derive_queued, &a))
    return true;
  platform::close_signal(a.queued);
  platform::close_signal(a.made);
  return false;
}

void wait_until_made(AesAhead& a, const AesAheadEntry& e) {
  while (queued(e)) platform::wait_signal(a.made);
}

// Started for exactly these keys and not yet taken.
bool holds(const AesAheadEntry& e, const AesKeysRequest& r) {
  return e.waiting && std::memcmp(&r, &e.request, sizeof r) == 0;
}

// Once the keys' thread is done with it.
void stop(AesAheadEntry& e) {
  e.abandoned = true;
  platform::join_worker(e.code_worker);
  e.waiting = e.in_use = false;
  e.stage = AheadStage::kFree;
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
  wait_until_made(a, e);
  stop(e);
  e.abandoned = false;
  e.request = r;
  e.data = data;
  e.file = file;
  e.started = ++a.starts;
  e.waiting = true;
  e.derived = e.coded = false;
  if (!keys_thread_runs(a)) {
    make_ahead(e);
    return;
  }
  e.stage.store(AheadStage::kQueued, std::memory_order_release);
  platform::raise_signal(a.queued);
}

unsigned aes_entries_ahead(const AesAhead& a, uint64_t from) {
  unsigned n = 0;
  for (const AesAheadEntry& e : a.entries) n += e.waiting && e.data.from > from;
  return n;
}

bool take_keys_ahead(AesAhead& a, const EntryCipher& cipher, const uint8_t* salt, const uint8_t* password,
                     size_t size, AesData data, uint8_t keys[kAesKeysCapacity], AesAheadEntry*& code_ahead) {
  AesKeysRequest r;
  code_ahead = nullptr;
  if (!make_request(r, cipher, salt, password, size)) return false;
  for (AesAheadEntry& e : a.entries) {
    if (!holds(e, r)) continue;
    wait_until_made(a, e);
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
  if (a.keys_thread.handle) {
    a.ending.store(true, std::memory_order_release);
    platform::raise_signal(a.queued);
    platform::join_worker(a.keys_thread);
    platform::close_signal(a.queued);
    platform::close_signal(a.made);
  }
  for (AesAheadEntry& e : a.entries) stop(e);
  a.next_header = 0;
}
