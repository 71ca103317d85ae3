// Walks the program's own file from its first byte in 4-byte steps, reads the
// ZIP records it recognises, and hands every local header to a handler.
#pragma once
#include <cstdint>

enum ScanPhase : int16_t { kScanBegin = 0, kScanLocalHeader = 1, kScanEnd = 2 };

// On kScanLocalHeader the archive stream stands at the entry's compressed
// data; the handler must leave it right after that data.
using EntryHandler = void (*)(int16_t phase, uint8_t* record_buffer);

void scan_archive(EntryHandler handler);

// Record readers; each is entered right after the 4-byte signature. They
// return false when the record is cut short by the end of the file.
bool read_local_header(uint8_t* record_buffer);
bool read_central_header(uint8_t* record_buffer);
bool read_end_record(uint8_t* record_buffer);
