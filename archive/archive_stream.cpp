#include "archive/archive_stream.h"

#include <cstdlib>
#include <cstring>

#include "base/memory.h"

namespace {
constexpr uint32_t kBufferSize = 64 * 1024;

// Runs the filter over the buffer's bytes from `from` up to its end.
void filter_buffer(ArchiveStream& s, uint32_t from) {
  const uint64_t start = s.buffer_start + from;
  if (!s.filter || start >= s.filter_end) return;
  const uint64_t left = s.filter_end - start;
  const uint32_t count = s.filled - from;
  s.filter(s.filter_context, s.buffer + from, left < count ? static_cast<uint32_t>(left) : count);
}

// Refills the buffer from the current logical position.
bool refill(ArchiveStream& s) {
  uint64_t position = s.buffer_start + s.pos;
  if (position >= s.size) return false;
  s.buffer_start = position;
  s.pos = 0;
  s.filled = platform::read_file_at(s.file, position, s.buffer, kBufferSize);
  filter_buffer(s, 0);
  return s.filled > 0;
}
}  // namespace

bool open_archive_stream(ArchiveStream& s, const char* path) {
  close_archive_stream(s);
  s.file = platform::open_for_reading(path);
  if (s.file == platform::kNoFile) return false;
  s.size = platform::file_size(s.file);
  s.buffer = static_cast<uint8_t*>(alloc_zeroed(kBufferSize));
  s.buffer_start = 0;
  s.filled = s.pos = 0;
  return true;
}

void close_archive_stream(ArchiveStream& s) {
  if (s.file != platform::kNoFile) platform::close_file(s.file);
  std::free(s.buffer);
  s = ArchiveStream{};
}

void archive_set_filter(ArchiveStream& s, uint64_t end, void (*filter)(void*, uint8_t*, uint32_t),
                        void* context) {
  s.filter = filter;
  s.filter_context = context;
  s.filter_end = end;
  if (s.pos < s.filled) filter_buffer(s, s.pos);
}

uint64_t archive_position(const ArchiveStream& s) { return s.buffer_start + s.pos; }

uint32_t archive_refill_byte(ArchiveStream& s) {
  if (!refill(s)) return 0xFFFFFFFFu;
  return s.buffer[s.pos++];
}

uint32_t archive_peek(const ArchiveStream& s, uint64_t offset, void* out, uint32_t count) {
  return platform::read_file_at(s.file, offset, out, count);
}

uint32_t archive_read(ArchiveStream& s, void* out, uint32_t count) {
  auto* dst = static_cast<uint8_t*>(out);
  uint32_t done = 0;
  while (done < count) {
    if (s.pos >= s.filled && !refill(s)) break;
    uint32_t n = s.filled - s.pos;
    if (n > count - done) n = count - done;
    std::memcpy(dst + done, s.buffer + s.pos, n);
    s.pos += n;
    done += n;
  }
  return done;
}

bool archive_skip(ArchiveStream& s, uint64_t count) {
  if (count > s.size) count = s.size + 1;  // any 64-bit length: past the end is far enough
  uint64_t target = archive_position(s) + count;
  if (target - s.buffer_start <= s.filled) {
    s.pos = static_cast<uint32_t>(target - s.buffer_start);
  } else {
    s.buffer_start = target;  // the next refill reads from there
    s.pos = 0;
    s.filled = 0;
  }
  return target <= s.size;
}
