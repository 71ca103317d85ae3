// The next AES entries' keys and authentication codes, made on worker
// threads while the entries before them are decoded. Each AES entry has its
// own salt, and PBKDF2's 1000 rounds cost as much time as decoding a few
// hundred KiB; the code is SHA-1 over every encrypted byte. Neither needs
// the decoded data, so on a second processor both overlap the decoding
// instead of adding to it. One thread, kept for the pass, derives the keys
// of the entries ahead in their order, one at a time (a thread for each
// would take the decoding's processor from it); a run of small entries,
// each decoded faster than its keys are derived, then finds keys made
// while a large entry before them was decoded. For a large entry the keys'
// thread starts one for the code, so that the entry waits only for its keys
// before it is decoded, and for its code once it has been.
#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>

#include "archive/entry_cipher.h"
#include "platform/crypto.h"
#include "platform/files.h"
#include "platform/worker_thread.h"

// The encryption key, the authentication key and the 2-byte verifier.
inline constexpr unsigned kAesKeysCapacity = 2 * 32 + kAesVerifierSize;
inline constexpr unsigned kAesSaltCapacity = 16;
// Four: on the benchmark's input 2 and 6 ahead measured a little slower.
inline constexpr unsigned kAesAheadEntries = 4;
// The entries ahead, and the one being decoded, whose code may still be made.
inline constexpr unsigned kAesAheadSlots = kAesAheadEntries + 1;
// A worker reads an entry's data this many bytes at a time; from this size
// on an entry's code is made on a thread of its own (below it a thread
// costs more than the time the entry waits for its keys and code at once).
inline constexpr uint32_t kCodeChunk = 16 * 1024;
inline constexpr uint64_t kCodeOnItsOwnFrom = 64 * 1024;

// What keys are derived from, compared whole (unused bytes zero).
struct AesKeysRequest {
  uint8_t password[256];
  uint8_t salt[kAesSaltCapacity];
  uint32_t password_size, salt_size, keys_size;
};

// The encrypted data an entry's code covers: where it lies in the file.
struct AesData {
  uint64_t from, size;
  bool operator==(const AesData&) const = default;
};

enum class AheadStage : uint8_t { kFree, kQueued, kMade };

struct AesAheadEntry {
  platform::WorkerThread code_worker;
  AesKeysRequest request;
  AesData data;
  platform::FileHandle file;
  std::atomic<AheadStage> stage;  // kQueued: the keys' thread's until kMade
  std::atomic<bool> abandoned;    // the code's worker stops reading the data
  uint32_t started;               // when, in the run's count of starts
  bool waiting;                   // started, not yet taken
  bool in_use;                    // taken, its code not yet
  bool derived, coded;
  uint8_t keys[kAesKeysCapacity];
  uint8_t code[platform::kSha1Size];
  uint8_t chunk[kCodeChunk];
};

struct AesAhead {
  AesAheadEntry entries[kAesAheadSlots];
  platform::WorkerThread keys_thread;
  platform::WakeSignal queued, made;  // to the keys' thread, and back
  std::atomic<bool> ending;
  uint32_t starts;
  uint64_t next_header;  // the next local header not yet looked at for entries to queue
};

// The keys of an entry of `cipher` whose salt is `salt`, derived here.
bool derive_aes_key_material(const EntryCipher& cipher, const uint8_t* salt, const uint8_t* password,
                             size_t size, uint8_t keys[kAesKeysCapacity]);

// Queues an entry's keys and the code of its `data` (read from `file`,
// which no one changes while the program runs), unless they are queued
// already: made on the workers, or here when no thread can be had.
void start_aes_ahead(AesAhead& a, const EntryCipher& cipher, const uint8_t* salt, const uint8_t* password,
                     size_t size, platform::FileHandle file, AesData data);

// How many entries whose data lies past `from` are queued, not yet taken.
unsigned aes_entries_ahead(const AesAhead& a, uint64_t from);

// True, with the keys copied out once derived, when they were made ahead for
// exactly this cipher, salt and password; false otherwise (the caller
// derives them). `code_ahead` is set when the code of exactly `data` is
// being made too: that entry stays in use until take_code_ahead.
bool take_keys_ahead(AesAhead& a, const EntryCipher& cipher, const uint8_t* salt, const uint8_t* password,
                     size_t size, AesData data, uint8_t keys[kAesKeysCapacity], AesAheadEntry*& code_ahead);
// The code, once made: false when its worker could not read all the data.
bool take_code_ahead(AesAheadEntry& e, uint8_t code[platform::kSha1Size]);

// Stops the workers and waits for them, and forgets what was looked at:
// before the run's state or its file goes.
void end_aes_ahead(AesAhead& a);
