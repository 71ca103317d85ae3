// The numbered conditions that end a run early, and their fixed message texts.
#pragma once
#include <cstdint>

enum ExitCode : int16_t {
  kErrorReadingSfxFile = 1,
  kOutOfMemory = 2,
  kCompletedNormally = 3,
  kStoppedAtRequest = 4,
  kOutputDirNotAvailable = 5,
  kCannotCreateOutputDir = 6,
  kErrorOpeningOutput = 7,
  kErrorReadingData = 8,
  kErrorWritingOutput = 9,
  kDataIntegrityError = 10,
  kFileTypeNotSupported = 11,
  kCrcError = 12,
  // Added with the settings (13 and up stay unexplained for the classic table).
  kSettingsDamaged = 20,
  kCannotRunProgram = 21,
};

// Exit status of an unattended run that completed with entries skipped.
inline constexpr int kSkippedEntriesStatus = 2;

// Process exit status after every fatal message.
inline constexpr int16_t fatal_exit_status = 1;

// The exact message text for a code; "Unexplained Error" for codes outside the table.
const char* exit_code_text(int16_t code);
