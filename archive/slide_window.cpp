#include "archive/slide_window.h"

#include <cstdlib>
#include <cstring>

#include "archive/crc32.h"
#include "archive/run_state.h"
#include "base/fatal.h"
#include "base/memory.h"

namespace {

void update_crc(SlideWindow& w) {
  w.crc = crc32_block(w.crc, w.crc_done, static_cast<size_t>(w.pos - w.crc_done));
  w.crc_done = w.pos;
}

void write_out(const SlideWindow& w, const uint8_t* from, uint32_t count) {
  if (!platform::write_file(w.output, from, count)) fatal_exit(kErrorWritingOutput);
}

}  // namespace

void create_window(SlideWindow& w) {
  // The previous round, the ring, the slack, for the large ring; a small
  // ring uses the part of the previous round next to the ring.
  w.begin = static_cast<uint8_t*>(alloc_zeroed(2 * kLargeRingSize + kWindowSlack)) + kLargeRingSize;
  w.size = kRingSize;
  w.end = w.begin + w.size;
  w.pos = w.begin;
}

void release_window(SlideWindow& w) {
  if (w.begin) std::free(w.begin - kLargeRingSize);
  w.begin = w.end = w.pos = w.crc_done = nullptr;
}

void reset_window(SlideWindow& w, uint32_t ring_size) {
  w.size = ring_size;
  w.end = w.begin + ring_size;
  // Only the previous round: every match source lies behind the position, so
  // bytes before the entry's first come from there and the ring is never read
  // before it is written.
  zero_fill(w.begin - w.size, w.size);
  w.pos = w.begin;
  w.crc = 0xFFFFFFFFu;
  w.crc_done = w.begin;
}

void write_full_window(SlideWindow& w) {
  update_crc(w);
  w.pos = w.begin;
  w.crc_done = w.begin;
  write_out(w, w.begin, w.size);
  std::memcpy(w.begin - w.size, w.begin, w.size);
  if (w.after_full_write) w.after_full_write(w.after_full_write_context);
}

void write_decoded(SlideWindow& w, const uint8_t* from, uint32_t count) {
  w.crc = crc32_block(w.crc, from, count);
  write_out(w, from, count);
  if (w.after_full_write) w.after_full_write(w.after_full_write_context);
}

uint8_t* write_overrun_window(SlideWindow& w, uint8_t* out) {
  const uint32_t past_end = static_cast<uint32_t>(out - w.end);
  w.pos = w.end;
  write_full_window(w);
  std::memcpy(w.begin, w.end, past_end);
  w.pos = w.begin + past_end;
  return w.pos;
}

void flush_window(SlideWindow& w) {
  update_crc(w);
  if (w.pos != w.begin) write_out(w, w.begin, static_cast<uint32_t>(w.pos - w.begin));
}

uint32_t entry_crc(SlideWindow& w) {
  update_crc(w);
  return w.crc ^ 0xFFFFFFFFu;
}

void copy_match_wrapping(SlideWindow& w, uint32_t distance, uint32_t length) {
  // The ring's previous round lies before it, so the source never wraps; when
  // the ring is written out, its bytes are in the previous round's place.
  const uint8_t* source = w.pos - distance;
  while (length > 0) {
    const uint32_t room = static_cast<uint32_t>(w.end - w.pos);
    const uint32_t run = length < room ? length : room;
    copy_run(w.pos, source, run);
    w.pos += run;
    source += run;
    length -= run;
    if (w.pos == w.end) {
      write_full_window(w);
      source -= w.size;
    }
  }
}

void copy_stored(RunState& run, uint64_t n) {
  SlideWindow& w = run.window;
  // Straight from the archive stream into the ring, as far as the ring's end.
  while (n != 0) {
    const uint32_t room = static_cast<uint32_t>(w.end - w.pos);
    const uint32_t k = n < room ? static_cast<uint32_t>(n) : room;
    // The end of the file inside the data ends the data: what was copied stays,
    // and the bytes still owed stop the run as data integrity (finish_entry).
    const uint32_t got = archive_read(run.archive, w.pos, k);
    count_off_compressed(run.bits, got);
    n = got == k ? n - k : 0;
    w.pos += got;
    if (w.pos == w.end) write_full_window(w);
  }
}
