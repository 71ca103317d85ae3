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
// PROGRAM names a file below the target (see program_fault). The padding is
// zero. The magic's first seven bytes mark a block; the eighth is its version:
// a block with the mark is read whole or refused, never passed over.
#pragma once
#include <cstddef>
#include <cstdint>

#include "archive/name_rules.h"

inline constexpr size_t kTitleCapacity = 256;  // 255 bytes and a zero
inline constexpr size_t kRunCapacity = 1024;
inline constexpr uint32_t kSettingsFieldsMax = 4096;
inline constexpr uint8_t kSettingsMagic[8] = {'S', 'f', 'x', 'S', 'e', 't', 0x1A, 0x01};
inline constexpr uint32_t kSettingsTrailer = 12;  // length and magic
inline constexpr size_t kSettingsMark = 7;        // the magic less its version byte
static_assert(kSettingsFieldsMax % 4 == 0, "the padded fields fit the largest block");

// Zeroed with `{}` (no member initialisers: the Win32 stub would carry an
// image of the record to copy from).
struct Settings {
  char title[kTitleCapacity];
  char run[kRunCapacity];
  bool temp;
};

enum class SettingsRead { kNone, kRead, kDamaged };

// What makes a block damaged: one code per rule.
enum class SettingsFault : uint8_t {
  kNone,
  kVersion,         // the mark with a version byte this stub does not read
  kFieldsLength,    // a length word of 0 or over kSettingsFieldsMax
  kBeforeFile,      // the length reaches before the file's first byte
  kPadding,         // a byte between the fields and the length word is not zero
  kField,           // a field cut short, an unknown tag, a tag twice, a value for 'M'
  kText,            // a text empty, too long, not UTF-8 or holding a control character
  kTempWithoutRun,  // 'M' without 'R'
  kProgramPath,     // no program, or not a relative path: a leading, doubled or last separator
  kProgramName,     // a level of the program's path that the name rules refuse
};

// kNone when the command's first word names a file below the target: a
// relative path without empty levels whose every level passes the name rules
// of Windows, on either system (the same block serves both stubs): so no ".",
// ".." or "..." level (each ends in a dot), no drive, no device name. For
// kProgramName the rules' problem goes to `problem`.
SettingsFault program_fault(const char* run, NameProblem* problem = nullptr);

// The fields part of a block (without padding and trailer).
SettingsFault parse_settings(const uint8_t* fields, uint32_t size, Settings& out);

// Where a block was found: it ends at `archive_start`, the first ZIP record.
struct SettingsPlace {
  uint64_t archive_start = 0;
  uint32_t block_size = 0;  // 0: no block
  SettingsFault fault = SettingsFault::kNone;
};

// Walks the file as the scanner does, in 4-byte steps from its first byte, to
// the first record signature, and reads the block that ends there, if any.
// kNone when the file cannot be opened, holds no record or no mark before
// its first one; kDamaged for any block with the mark that breaks a rule.
SettingsRead read_settings(const char* path, Settings& out, SettingsPlace* place = nullptr);

// Why, in a few words, for the binding tool (the stub's image leaves the
// texts out): "the padding after the fields is not zero".
const char* settings_fault_reason(SettingsFault fault);

// The whole block for `settings` in `out`; its size, or 0 when a text breaks
// the rules above or it does not fit `capacity`.
uint32_t encode_settings(const Settings& settings, uint8_t* out, uint32_t capacity);
