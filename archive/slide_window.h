// The single sink for decoded bytes: a 32768-byte ring (65536 for Deflate64's
// history) that is written to the entry's output file whenever it fills,
// keeps the entry's CRC-32, and is the history the dictionary decoders copy
// their matches from.
//
// The ring's previous round is also kept in the ring's size of bytes right
// before it (zeros in an entry's first round), so that a match source
// `pos - distance` is always in memory as the ring would have it: a fast
// decoder copies from there with no wrap to look for.
#pragma once
#include <cstdint>
#include <cstring>

#include "platform/files.h"

struct RunState;

// The ring's size for every method but Deflate64, and for Deflate64.
inline constexpr uint32_t kRingSize = 32768;
inline constexpr uint32_t kLargeRingSize = 65536;

struct SlideWindow {
  uint32_t size = 0;         // the current entry's ring
  uint8_t* begin = nullptr;  // allocated once for the run, kept until the process ends
  uint8_t* end = nullptr;
  uint8_t* pos = nullptr;                           // the next byte's place
  platform::FileHandle output = platform::kNoFile;  // the current entry's file
  // The CRC is brought up to date over whole runs of bytes when they leave
  // the window (or are asked for), not byte by byte: `crc_done` marks how far.
  uint32_t crc = 0xFFFFFFFFu;
  uint8_t* crc_done = nullptr;
  // Run after every full write of the ring (each 32 or 64 KB of output): the
  // extraction pass reports its progress there, inside long entries too.
  void (*after_full_write)(void* context) = nullptr;
  void* after_full_write_context = nullptr;
};

// Bytes allocated past the ring's end, for a decoder's fast loop that writes
// a few literals and a whole match (with its copy's overshoot) before
// it looks whether the ring is full; see write_overrun_window.
inline constexpr uint32_t kWindowSlack = 352;

// Allocates the window once for the run (extraction pass begin), with room
// for the large ring.
void create_window(SlideWindow& w);
// Gives the window's memory back (tests and tools; the stub leaves it to the
// process exit).
void release_window(SlideWindow& w);
// Entry start: a ring of `ring_size` (kRingSize or kLargeRingSize) with its
// previous round zeroed, rewound, and the CRC restarted.
void reset_window(SlideWindow& w, uint32_t ring_size = kRingSize);

// Writes the full ring and wraps; a short write stops the run (code 9).
void write_full_window(SlideWindow& w);

// For a fast loop that wrote from w.pos on up to `out`, at or past the
// ring's end (at most kWindowSlack bytes): writes the full ring and moves the
// bytes past its end to its start, where a ring would have put them. Returns
// the new position.
uint8_t* write_overrun_window(SlideWindow& w, uint8_t* out);

inline void put_byte(SlideWindow& w, uint8_t b) {
  *w.pos++ = b;
  if (w.pos == w.end) write_full_window(w);
}

// Copies n bytes from `from` to `out`, a source behind the destination (in
// the ring or its previous round), with the result of a byte-by-byte
// forward copy.
inline void copy_run(uint8_t* out, const uint8_t* from, uint32_t n) {
  uint32_t gap = static_cast<uint32_t>(out - from);
  if (gap >= n) {
    std::memcpy(out, from, n);
    return;
  }
  uint8_t* end = out + n;
  if (gap >= 8) {
    // Each 8-byte piece reads only bytes that are already in place.
    for (; out + 8 <= end; out += 8, from += 8) std::memcpy(out, from, 8);
  } else if (gap == 1) {
    std::memset(out, *from, n);
    return;
  }
  while (out < end) *out++ = *from++;
}

// The general match copy: any distance and length, wrapping the ring.
void copy_match_wrapping(SlideWindow& w, uint32_t distance, uint32_t length);

// Emits `length` bytes copied from `distance` bytes back (at most the ring's
// size; any length), with byte-by-byte semantics: a distance shorter than the length
// repeats recent bytes, and bytes before the entry's first output are the
// ring's zeros. Most matches do not fill the ring: those are copied here.
inline void copy_match(SlideWindow& w, uint32_t distance, uint32_t length) {
  uint8_t* out = w.pos;
  if (length >= static_cast<uint32_t>(w.end - out)) return copy_match_wrapping(w, distance, length);
  copy_run(out, out - distance, length);
  w.pos = out + length;
}

// Writes out what the ring holds since the last full write (end of an entry,
// or right before a stop for exhausted input). Leaves the position unchanged.
void flush_window(SlideWindow& w);

// Moves n raw bytes from the archive stream into the window (stored data),
// counting them off the bit input's compressed bytes.
void copy_stored(RunState& run, uint64_t n);

// For a decoder that keeps its own history (LZMA's dictionary): writes
// `count` decoded bytes to the entry's output, counts them into its CRC-32
// and reports as after a full write of the ring.
void write_decoded(SlideWindow& w, const uint8_t* from, uint32_t count);

// The entry's CRC-32 so far (complemented, as stored in the local header).
uint32_t entry_crc(SlideWindow& w);
