// Differential fuzz target: our inflate against zlib's. The input describes
// data, how zlib compresses it and how the compressed stream is then damaged:
//   byte 0: level (mod 10); byte 1: strategy (low 3 bits, mod 5), window bits
//     9 to 15 (high bits); byte 2: memLevel (mod 9, + 1), the flush kinds in
//     use (high bits); byte 3: input chunk between flushes, 2^(b mod 13)
//     bytes; bit 7 changes level and strategy at every flush;
//   byte 4: the data's shape (low 2 bits: as given, repeated, runs, words)
//     and repetitions (high bits); byte 5: number of damages (mod 8);
//   then 3 bytes per damage (offset 16 bits, then kind and value), then the
//     seed bytes of the data.
// The stream runs through the real extraction pass as a deflated entry.
// Wherever zlib decodes the stream completely, ours must write the same
// bytes and, when zlib needed every byte, complete the entry. Where ours
// completes an entry that zlib rejects, the case must be one of the
// documented differences below; anything else is a finding.
//
// Documented differences (ours accepts, zlib rejects):
// - "invalid stored block lengths": a stored block's NLEN is not compared with LEN.
// - "invalid distance too far back": a distance reaching before the entry's
//   first byte copies zeros from the window, which is zeroed for every entry.
// - "invalid code lengths set", "invalid literal/lengths set", "invalid
//   distances set", "invalid code -- missing end-of-block": incomplete codes
//   are accepted (an unused code ends decoding only when it occurs), and a
//   literal/length code needs no end-of-block symbol until one is decoded.
// - "invalid bit length repeat": a repeat code before any length repeats zeros.
// - zlib runs out of input: past the end of the data ours reads zero bits (up
//   to two short requests, then what the bit buffer holds); zlib is judged
//   again on the data followed by zero bytes, by these same rules.
// - any other error of zlib at the same point where ours stopped (the same
//   output): a bad code that ends decoding right at the end of the data is
//   a quiet stop for ours, and only the CRC-32 judges the entry (it is given
//   the CRC of what ours wrote, so it passes).
// And zlib accepts, ours rejects: bytes after the final block that ours did
// not read ahead are left unconsumed, which stops the run.
#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/differential.h"
#include "fuzz/harness.h"
#include "tests/support/zip_builder.h"

namespace {

constexpr size_t kHeaderSize = 6;
constexpr size_t kDamageSize = 3;
constexpr size_t kMaxOutput = 1 << 20;  // larger zlib outputs are not compared

struct Parameters {
  int level, strategy, window_bits, mem_level, flush_kinds, chunk;
  bool change_params;
};

Parameters parameters(const uint8_t* p) {
  return {p[0] % 10,     (p[1] & 7) % 5,          9 + (p[1] >> 3) % 7, 1 + p[2] % 9,
          p[2] >> 4 | 1, 1 << (p[3] & 0x7F) % 13, (p[3] & 0x80) != 0};
}

std::string zlib_deflate(const Parameters& p, const std::string& data) {
  z_stream z{};
  if (deflateInit2(&z, p.level, Z_DEFLATED, -p.window_bits, p.mem_level, p.strategy) != Z_OK) return "";
  static const int kFlushes[] = {Z_NO_FLUSH, Z_SYNC_FLUSH, Z_FULL_FLUSH, Z_PARTIAL_FLUSH, Z_BLOCK};
  std::string out;
  unsigned char buffer[4096];
  size_t at = 0;
  int step = 0;
  for (bool last = false; !last; ++step) {
    size_t n = data.size() - at < static_cast<size_t>(p.chunk) ? data.size() - at : p.chunk;
    last = at + n == data.size();
    int flush = Z_FINISH;
    if (!last) {
      int kind = step % 5;
      while (!(p.flush_kinds >> kind & 1)) kind = (kind + 1) % 5;
      flush = kFlushes[kind];
    }
    z.next_in = reinterpret_cast<unsigned char*>(const_cast<char*>(data.data() + at));
    z.avail_in = static_cast<uInt>(n);
    at += n;
    do {
      z.next_out = buffer;
      z.avail_out = sizeof buffer;
      deflate(&z, flush);
      out.append(reinterpret_cast<char*>(buffer), sizeof buffer - z.avail_out);
    } while (z.avail_out == 0);
    // A change of parameters flushes what is pending as a block of its own.
    for (int tries = 0; p.change_params && !last && tries < 4; ++tries) {
      z.next_out = buffer;
      z.avail_out = sizeof buffer;
      int status = deflateParams(&z, (p.level + step) % 10, (p.strategy + step) % 5);
      out.append(reinterpret_cast<char*>(buffer), sizeof buffer - z.avail_out);
      if (status != Z_BUF_ERROR) break;
    }
  }
  deflateEnd(&z);
  return out;
}

struct ZlibResult {
  bool complete = false;  // the final block was decoded
  size_t consumed = 0;
  std::string output;
  std::string error;  // zlib's message; empty when it ran out of input
  bool too_large = false;
};

ZlibResult zlib_inflate(const std::string& stream) {
  ZlibResult r;
  z_stream z{};
  inflateInit2(&z, -15);
  z.next_in = reinterpret_cast<unsigned char*>(const_cast<char*>(stream.data()));
  z.avail_in = static_cast<uInt>(stream.size());
  unsigned char buffer[16384];
  int status;
  do {
    z.next_out = buffer;
    z.avail_out = sizeof buffer;
    status = inflate(&z, Z_NO_FLUSH);
    r.output.append(reinterpret_cast<char*>(buffer), sizeof buffer - z.avail_out);
  } while (status == Z_OK && r.output.size() <= kMaxOutput);
  r.complete = status == Z_STREAM_END;
  r.consumed = z.total_in;
  r.too_large = r.output.size() > kMaxOutput;
  if (status != Z_STREAM_END && z.msg) r.error = z.msg;
  inflateEnd(&z);
  return r;
}

uint32_t crc_of(const std::string& s) {
  return static_cast<uint32_t>(
      crc32(0, reinterpret_cast<const Bytef*>(s.data()), static_cast<uInt>(s.size())));
}

bool is_documented_rejection(const std::string& error) {
  static const char* const kDocumented[] = {
      "invalid stored block lengths",        "invalid distance too far back", "invalid code lengths set",
      "invalid literal/lengths set",         "invalid distances set",         "invalid bit length repeat",
      "invalid code -- missing end-of-block"};
  for (const char* documented : kDocumented)
    if (error == documented) return true;
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < kHeaderSize) return 0;
  const Parameters p = parameters(data);
  const size_t damages = data[5] % 8;
  if (size < kHeaderSize + damages * kDamageSize) return 0;
  const uint8_t* seed = data + kHeaderSize + damages * kDamageSize;
  const std::string content = shape_data(data[4], seed, size - (seed - data));
  std::string stream = zlib_deflate(p, content);
  for (size_t i = 0; i < damages; ++i) damage(stream, data + kHeaderSize + i * kDamageSize);

  const ZlibResult zlib = zlib_inflate(stream);
  if (zlib.too_large) return 0;
  if (damages == 0)
    require(zlib.complete && zlib.output == content, "zlib does not round-trip its own stream");

  if (zlib.complete) {
    OursResult ours = run_ours(8, 0, stream, crc_of(zlib.output), zlib.output.size());
    require(ours.output == zlib.output, "ours wrote other bytes than zlib decoded");
    if (zlib.consumed == stream.size())
      require(ours.ending == "Extraction Complete", "ours rejects a stream zlib decodes completely",
              ours.ending);
    return 0;
  }
  // zlib rejects: does ours complete the entry, given the CRC of what it writes?
  OursResult ours = run_ours(8, 0, stream, 0, 0);
  if (ours.ending == "CRC error -- SFX stopped")
    ours = run_ours(8, 0, stream, crc_of(ours.output), ours.output.size());
  if (ours.ending != "Extraction Complete") return 0;
  // Input that ran out: ours went on with zero bits (a few hundred at most).
  const ZlibResult judged = zlib.error.empty() ? zlib_inflate(stream + std::string(64, '\0')) : zlib;
  if (judged.complete) {
    require(judged.output == ours.output,
            "ours completes a truncated stream other than zero bits complete it");
    return 0;
  }
  require(is_documented_rejection(judged.error) || judged.output == ours.output,
          "ours accepts a stream zlib rejects, for no documented reason", judged.error);
  return 0;
}
