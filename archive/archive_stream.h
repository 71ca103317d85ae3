// The program's own executable opened for binary reading, read through one
// buffer so the scanner's 4-byte steps and the bit input's single bytes cost
// no system call each.
#pragma once
#include <cstdint>

#include "platform/files.h"

struct ArchiveStream {
  platform::FileHandle file = platform::kNoFile;
  uint64_t size = 0;          // of the whole file
  uint64_t buffer_start = 0;  // file offset of buffer[0]
  uint8_t* buffer = nullptr;
  uint32_t filled = 0;  // valid bytes in the buffer
  uint32_t pos = 0;     // next byte within the buffer
  // Bytes before `filter_end` pass through `filter` once, as they enter the
  // buffer: an encrypted entry's data is decrypted there for every reader.
  void (*filter)(void* context, uint8_t* bytes, uint32_t count) = nullptr;
  void* filter_context = nullptr;
  uint64_t filter_end = 0;
};

// Opens a fresh stream at offset 0, closing any previous one.
bool open_archive_stream(ArchiveStream& s, const char* path);
void close_archive_stream(ArchiveStream& s);

uint64_t archive_position(const ArchiveStream& s);
// Bytes copied (short at the end of the file).
uint32_t archive_read(ArchiveStream& s, void* out, uint32_t count);
// Moves forward `count` bytes; true when the new position is within the file.
bool archive_skip(ArchiveStream& s, uint64_t count);

uint32_t archive_refill_byte(ArchiveStream& s);

// Copies `count` bytes from `offset` on, as they are in the file (never
// filtered), without moving the stream; bytes copied.
uint32_t archive_peek(const ArchiveStream& s, uint64_t offset, void* out, uint32_t count);

// Filters the bytes from the current position to `end` (those in the buffer
// at once, the rest as they are read); a null filter ends it. The stream
// must only move forward meanwhile.
void archive_set_filter(ArchiveStream& s, uint64_t end, void (*filter)(void*, uint8_t*, uint32_t),
                        void* context);

// Moves anywhere, backwards too, for tools that decode entries out of order;
// the next read refills from there unless the spot is still in the buffer.
inline void archive_seek(ArchiveStream& s, uint64_t offset) {
  if (offset >= s.buffer_start && offset - s.buffer_start <= s.filled) {
    s.pos = static_cast<uint32_t>(offset - s.buffer_start);
  } else {
    s.buffer_start = offset;
    s.pos = 0;
    s.filled = 0;
  }
}

// The next byte, or 0xFFFFFFFF at the end of the file.
inline uint32_t archive_get_byte(ArchiveStream& s) {
  if (s.pos < s.filled) return s.buffer[s.pos++];
  return archive_refill_byte(s);
}
