// The one way a run ends early: a numbered condition, one message box, back to
// the start directory, exit status 1. Also the allocation that never returns null.
#pragma once
#include <cstdint>
#include <cstdlib>
#include <memory>

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
};

// Process exit status after every fatal message.
inline constexpr int16_t fatal_exit_status = 1;

// 1 while the user has pressed Cancel and not yet answered the confirmation.
extern int16_t cancel_requested;

// The exact message text for a code; "Unexplained Error" for codes outside the table.
const char* exit_code_text(int16_t code);

[[noreturn]] void fatal_exit(int16_t code);

// Asks "Are You Sure You Want To Cancel?" only while a cancel is pending.
// Yes ends the run (code 4); No clears the request and returns.
void confirm_cancel();

void zero_fill(void* p, uint32_t n);
void* alloc_zeroed(uint32_t size);
// Only the low 16 bits of the size count.
void* alloc_zeroed16(uint32_t size);

struct HeapRelease {
  void operator()(void* p) const { std::free(p); }
};

// Owner of a zero-filled heap block; released at the end of its scope, also
// when a test build unwinds out of a fatal stop.
template <class T>
using ZeroedBlock = std::unique_ptr<T, HeapRelease>;

template <class T>
ZeroedBlock<T> make_zeroed(uint32_t bytes) {
  return ZeroedBlock<T>(static_cast<T*>(alloc_zeroed(bytes)));
}
