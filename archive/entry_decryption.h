// One encrypted entry's decryption: its header checked against a password,
// then its data decrypted as the archive stream reads it (a filter between
// the file and every decoder), and for AES the authentication code compared
// once the data has been read.
#pragma once
#include <cstddef>
#include <cstdint>

#include "archive/aes_ahead.h"
#include "archive/archive_stream.h"
#include "archive/entry_cipher.h"
#include "platform/crypto.h"

// The counter stream is made this many bytes at a time: one system call
// for many blocks.
inline constexpr uint32_t kKeyStreamBatch = 8192;
static_assert(kKeyStreamBatch % platform::kAesBlock == 0);

// The most header bytes an entry has: AES-256's salt and verifier.
inline constexpr unsigned kCipherHeaderCapacity = kAesSaltCapacity + kAesVerifierSize;
static_assert(kCipherHeaderCapacity >= kZipCryptoHeader);

struct EntryDecryption {
  EntryCipher cipher;
  uint8_t header[kCipherHeaderCapacity];
  uint32_t zip_keys[3];
  platform::CipherHandles aes, mac;
  uint64_t counter[2];  // of the last block made: low word, high word
  uint32_t used;        // of the key stream batch
  uint8_t key_stream[kKeyStreamBatch];
  AesAhead ahead;  // the next entries' keys and codes
  // The data to decrypt, set before the tries; where its code is made
  // ahead, when it is (the filter then only decrypts).
  AesData data;
  AesAheadEntry* code_ahead;
};

// True when `password` passes the header's check (ZipCrypto: its check
// byte, against the CRC-32's high byte or, as writers that use a data
// descriptor make it, the DOS time's; AES: the 2-byte verifier); the keys
// are then ready. A wrong password passes now and then: the CRC-32 or the
// authentication code is the judge.
bool try_password(EntryDecryption& d, const LocalHeader& header, const uint8_t* password, size_t size);

// AES keys from the password and the salt in `d.header` (the cipher's key
// size; derived ahead when they were): the cipher and the code ready, the
// password's 2-byte verifier out.
bool derive_aes_keys(EntryDecryption& d, const uint8_t* password, size_t size, uint8_t* verifier);
// A writer's side: encrypts in place, feeding the code.
void aes_encrypt(EntryDecryption& d, uint8_t* bytes, uint32_t count);
// The code of the bytes encrypted or decrypted; the keys are released.
// False when the code made ahead could not read all the data.
bool aes_authentication_code(EntryDecryption& d, uint8_t code[platform::kSha1Size]);

// Releases the keys an entry's tries left (after a stop inside the entry),
// once the workers are done: before the run's state or its file goes.
void release_decryption(EntryDecryption& d);

// Decrypts the stream's next `size` bytes as they are read.
void start_decryption(ArchiveStream& s, EntryDecryption& d, uint64_t size);
// Ends it; for AES reads the authentication code after the data and
// compares it: false when it does not match.
bool finish_decryption(ArchiveStream& s, EntryDecryption& d);
