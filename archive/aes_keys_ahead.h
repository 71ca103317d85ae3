// An AES entry's keys, derived on a worker thread while the entry before it
// is decoded. Each AES entry has its own salt, and PBKDF2's 1000 rounds cost
// as much time as decoding a few hundred KiB; on a second processor they
// overlap the decoding instead of adding to it.
#pragma once
#include <cstddef>
#include <cstdint>

#include "archive/entry_cipher.h"
#include "platform/worker_thread.h"

// The encryption key, the authentication key and the 2-byte verifier.
inline constexpr unsigned kAesKeysCapacity = 2 * 32 + kAesVerifierSize;
inline constexpr unsigned kAesSaltCapacity = 16;

// What keys are derived from, compared whole (unused bytes zero).
struct AesKeysRequest {
  uint8_t password[256];
  uint8_t salt[kAesSaltCapacity];
  uint32_t password_size, salt_size, keys_size;
};

struct AesKeysAhead {
  platform::WorkerThread worker;
  AesKeysRequest request;
  uint8_t keys[kAesKeysCapacity];
  bool derived;
  bool waiting;  // derived or deriving, not yet taken
};

// The keys of an entry of `cipher` whose salt is `salt`, derived here.
bool derive_aes_key_material(const EntryCipher& cipher, const uint8_t* salt, const uint8_t* password,
                             size_t size, uint8_t keys[kAesKeysCapacity]);

// Starts deriving them on the worker (here, when no thread can be had),
// after waiting for the derivation before.
void derive_keys_ahead(AesKeysAhead& a, const EntryCipher& cipher, const uint8_t* salt,
                       const uint8_t* password, size_t size);
// True, with the keys copied out, when they were derived ahead for exactly
// this cipher, salt and password; false otherwise (the caller derives them).
// Either way nothing stays running or waiting.
bool take_keys_ahead(AesKeysAhead& a, const EntryCipher& cipher, const uint8_t* salt, const uint8_t* password,
                     size_t size, uint8_t keys[kAesKeysCapacity]);
