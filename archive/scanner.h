// Walks a file from its first byte in 4-byte steps, reads the ZIP records it
// recognises, and hands every local header to a handler.
#pragma once
#include <cstdint>

#include "archive/run_state.h"

// kScanCentralHeader comes for each central header, after every entry, with
// `run.entry_name` holding its confined name, where the system has the Unix
// modes central headers carry (platform/file_modes.h).
enum ScanPhase : int16_t { kScanBegin = 0, kScanLocalHeader = 1, kScanEnd = 2, kScanCentralHeader = 3 };

// On kScanLocalHeader the archive stream stands at the entry's compressed
// data, `run.entry_name` holds the confined name, `run.entry_sizes` the sizes
// (a header whose sizes cannot be read stops the run, code 11), and the
// handler must leave the stream right after that data.
using EntryHandler = void (*)(RunState& run, int16_t phase, uint8_t* record_buffer);

// Walks `run.archive`, opened at offset 0 by the caller.
void scan_archive(RunState& run, EntryHandler handler);

// The same walk over any file: opens it as `run.archive`, walks it and closes
// it. False when the file cannot be opened (the handler is then not called).
bool walk_archive_file(RunState& run, const char* path, EntryHandler handler);

// Room behind the record buffer for a local header's name and extra field.
inline constexpr uint32_t kStoredFieldsCapacity = 2 * 0xFFFF;

// Record readers; each is entered right after the 4-byte signature. They
// return false when the record is cut short by the end of the file.
bool read_local_header(RunState& run, uint8_t* record_buffer);
bool read_central_header(RunState& run, uint8_t* record_buffer);
bool read_end_record(ArchiveStream& s, uint8_t* record_buffer);
// The ZIP64 end record, passed over as a whole by the length it gives.
bool read_zip64_end_record(ArchiveStream& s, uint8_t* record_buffer);
