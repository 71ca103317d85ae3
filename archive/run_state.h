// Everything one run of the stub keeps while it walks the archive: defined
// once by program entry (by each test for its own run) and passed by
// reference to the scanner, the handlers and the decoders.
#pragma once
#include <cstdint>

#include "archive/archive_stream.h"
#include "archive/bit_input.h"
#include "archive/entry_decryption.h"
#include "archive/entry_sizes.h"
#include "archive/records.h"
#include "archive/slide_window.h"
#include "base/text.h"

inline constexpr unsigned kLineCapacity = 255;  // 254 characters and a zero
inline constexpr unsigned kPasswordCapacity = 256;

struct RunPaths {
  char start_dir[kPathCapacity] = "";       // current at program start; the fatal exit returns there
  char own_path[kPathCapacity] = "";        // the program file, which is also the archive
  char target_dir[kLongPathCapacity] = "";  // always ends with a separator
  // The executable's file name. Sized for a whole file name so a long one is
  // shown in full rather than cut mid-character.
  char window_caption[kPathCapacity] = "";
  // The target of a pass, in full: entries are written below it by their
  // full paths, whether or not it could be made current.
  char extract_dir[kLongPathCapacity] = "";
};

struct PassCounters {
  uint32_t files_counted = 0;
  uint64_t total_uncompressed = 0;
  uint64_t total_compressed = 0;
};

// How far the extraction pass has come in compressed bytes: the entries
// already passed plus what the current entry's decoder has consumed, out of
// the total the listing pass counted.
struct PassProgress {
  uint64_t total = 0;
  uint64_t passed = 0;      // compressed bytes of the entries before the current one
  uint64_t entry_size = 0;  // of the current entry while its decoder runs, else 0
};

// The small records come first: their fields are then reached with short
// offsets, which keeps the Win32 stub's code small.
struct RunState {
  ArchiveStream archive;             // one per pass, from the program file's first byte
  BitInput bits;                     // the current entry's compressed bytes
  SlideWindow window;                // one for the whole run
  uint8_t* record_buffer = nullptr;  // the scanner's, for the length of a walk
  EntrySizes entry_sizes;            // of the current local header, ZIP64 fields read
  PassCounters counters;             // reset before each pass
  int32_t listing_mode = 0;          // 1 during the listing pass: a missing target is not created
  uint8_t encrypted_seen = 0;        // an encrypted entry was listed (kept from program start)
  // 1 while the user has pressed Cancel and not yet answered the confirmation.
  int16_t cancel_requested = 0;
  void* walk_context = nullptr;  // free for the handler of a walk of its own (walk_archive_file)
  EntryName entry_name;          // of the current local header
  RunPaths paths;
  char line_text[kLineCapacity] = "";
  char final_message[80] = "";
  PassProgress progress;   // of the extraction pass
  uint8_t unattended = 0;  // /S or /P: entries asked about are skipped unasked
  uint32_t skipped = 0;    // entries the extraction pass skipped
  // The last walk reached the end record: the archive was read to its end,
  // not cut short, so a program run after it finds every file.
  uint8_t end_record_seen = 0;
  // The pass's target exists but is too long to be made current: OK keeps
  // it rather than taking the current directory.
  uint8_t target_not_current = 0;
  // 1 while the current entry is written to a new file beside an existing
  // file of its name (shell/entry_output.h), named from `new_file_name`: a
  // random word drawn for the run's first such file, and their count.
  uint8_t writing_new_file = 0;
  uint32_t new_file_name[2] = {0, 0};
  // The directory the extraction pass last made (or found) for a file entry.
  char made_dir[kLongPathCapacity] = "";
  // The password given or typed, kept for the run and tried first on each
  // encrypted entry; empty with `password_known` 0 until there is one.
  uint8_t password_known = 0;
  char password[kPasswordCapacity] = "";
  EntryDecryption decryption{};  // of the current entry; its cipher read with its local header
  // The current local header's exact modification time (exact_entry_time), 0 for none.
  uint64_t entry_time = 0;
};

// Asks "Are You Sure You Want To Cancel?" only while a cancel is pending.
// Yes ends the run (code 4); No clears the request and returns.
void confirm_cancel(RunState& run);
