// What the author chose when binding (a caption, a program to run after the
// extraction, a private temporary target), carried in a block between the
// stub's padded image and the archive. The binder writes it, the stub reads
// it before anything is shown. The block is data only: every field is
// checked, and a block that breaks a rule is refused as a whole.
//
// Layout (little-endian), a multiple of 4 bytes that ends where the first
// ZIP record begins:
//   fields       each: a tag byte, a 16-bit length, that many bytes
//   zero bytes   up to a multiple of 4
//   length       32 bits: the bytes of the fields
//   magic        the 8 bytes kSettingsMagic
// Tags: 'T' the title, 'R' the command to run (PROGRAM ARGS, split by the
// rules of command_words.h), 'M' (empty) a temporary target. Texts are UTF-8
// without control characters; each tag appears at most once; 'M' needs 'R';
// PROGRAM names a file below the target (see names_file_inside).
#pragma once
#include <cstddef>
#include <cstdint>

inline constexpr size_t kTitleCapacity = 256;  // 255 bytes and a zero
inline constexpr size_t kRunCapacity = 1024;
inline constexpr uint32_t kSettingsFieldsMax = 4096;
inline constexpr uint8_t kSettingsMagic[8] = {'S', 'f', 'x', 'S', 'e', 't', 0x1A, 0x01};
inline constexpr uint32_t kSettingsTrailer = 12;  // length and magic

// Zeroed with `{}` (no member initialisers: the Win32 stub would carry an
// image of the record to copy from).
struct Settings {
  char title[kTitleCapacity];
  char run[kRunCapacity];
  bool temp;
};

enum class SettingsRead { kNone, kRead, kDamaged };

// True when the command's first word is a relative path with no "." or ".."
// level, no drive and no empty level: a file below the target, nothing else.
bool names_file_inside(const char* run);

// The fields part of a block (without padding and trailer).
SettingsRead parse_settings(const uint8_t* fields, uint32_t size, Settings& out);

// Where a block was found: it ends at `archive_start`, the first ZIP record.
struct SettingsPlace {
  uint64_t archive_start = 0;
  uint32_t block_size = 0;  // 0: no block
};

// Walks the file as the scanner does, in 4-byte steps from its first byte, to
// the first record signature, and reads the block that ends there, if any.
// kNone also when the file cannot be opened or holds no record.
SettingsRead read_settings(const char* path, Settings& out, SettingsPlace* place = nullptr);

// The whole block for `settings` in `out`; its size, or 0 when a text breaks
// the rules above or it does not fit `capacity`.
uint32_t encode_settings(const Settings& settings, uint8_t* out, uint32_t capacity);
