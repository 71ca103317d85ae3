#include "archive/slide_window.h"

#include <cstring>

#include "archive/archive_stream.h"
#include "archive/bit_input.h"
#include "archive/crc32.h"
#include "shell/fatal.h"

uint16_t window_size = 0;
uint8_t* window_begin = nullptr;
uint8_t* window_end = nullptr;
uint8_t* window_pos = nullptr;
platform::FileHandle output_stream = platform::kNoFile;

namespace {
// The CRC is brought up to date over whole runs of bytes when they leave the
// window (or are asked for), not byte by byte: `crc_done` marks how far.
uint32_t crc = 0xFFFFFFFFu;
uint8_t* crc_done = nullptr;

void update_crc() {
  crc = crc32_block(crc, crc_done, static_cast<size_t>(window_pos - crc_done));
  crc_done = window_pos;
}

void write_out(const uint8_t* from, uint32_t count) {
  if (!platform::write_file(output_stream, from, count)) fatal_exit(kErrorWritingOutput);
}
}  // namespace

void create_window() {
  window_size = 32768;
  window_begin = static_cast<uint8_t*>(alloc_zeroed16(window_size));
  window_end = window_begin + window_size;
  window_pos = window_begin;
}

void reset_window() {
  zero_fill(window_begin, window_size);
  window_pos = window_begin;
  crc = 0xFFFFFFFFu;
  crc_done = window_begin;
}

void write_full_window() {
  update_crc();
  window_pos = window_begin;
  crc_done = window_begin;
  write_out(window_begin, window_size);
}

void flush_window() {
  update_crc();
  if (window_pos != window_begin) write_out(window_begin, static_cast<uint32_t>(window_pos - window_begin));
}

uint32_t entry_crc() {
  update_crc();
  return crc ^ 0xFFFFFFFFu;
}

void copy_match_wrapping(uint32_t distance, uint32_t length) {
  uint32_t written = static_cast<uint32_t>(window_pos - window_begin);
  const uint8_t* source = distance <= written ? window_pos - distance : window_pos + window_size - distance;
  while (length > 0) {
    // As far as neither the source nor the destination reaches the ring's end.
    uint32_t room = static_cast<uint32_t>(window_end - window_pos);
    uint32_t source_room = static_cast<uint32_t>(window_end - source);
    uint32_t run = length < room ? length : room;
    if (run > source_room) run = source_room;
    copy_run(window_pos, source, run);
    window_pos += run;
    source += run;
    length -= run;
    if (source == window_end) source = window_begin;
    if (window_pos == window_end) write_full_window();
  }
}

void copy_stored(uint32_t n) {
  ZeroedBlock<uint8_t> chunk(static_cast<uint8_t*>(alloc_zeroed16(0x4000)));
  while (n != 0) {
    uint32_t k = n < 0x4000 ? n : 0x4000;
    if (archive_read(chunk.get(), k) != k) fatal_exit(kErrorReadingData);
    // Modulo 2^32: a forged size near 2^31 must not overflow the signed count.
    compressed_left = static_cast<int32_t>(static_cast<uint32_t>(compressed_left) - k);
    n -= k;
    for (uint32_t done = 0; done < k;) {
      uint32_t room = static_cast<uint32_t>(window_end - window_pos);
      uint32_t run = k - done < room ? k - done : room;
      std::memcpy(window_pos, chunk.get() + done, run);
      window_pos += run;
      done += run;
      if (window_pos == window_end) write_full_window();
    }
  }
}
