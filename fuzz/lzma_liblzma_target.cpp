// Differential fuzz target: our LZMA decoder against liblzma's raw LZMA1
// decoder. The input describes data, how liblzma encodes it and how the
// stream is then damaged:
//   byte 0: lc (mod 5) and lp (the rest, mod 5 - lc: liblzma needs lc + lp
//     at most 4); byte 1: pb (mod 5) and the preset (the rest, mod 10);
//   byte 2: bit 0 the end marker (and flag bit 1), bits 1 to 3 the
//     dictionary (4 KiB shifted by them), bits 4 and 5 the declared size
//     (as made, one less, one more);
//   byte 3: the data's shape (see shape_data); byte 4: damages (mod 8), then
//     3 bytes per damage, then the seed bytes of the data.
// The stream, behind the ZIP framing, runs through the real extraction pass
// as method 14, and through liblzma given the declared size (the end marker
// allowed at its end). Wherever liblzma decodes the stream completely from
// every byte of it, ours must write the same bytes and complete the entry,
// unless flag bit 1 promised a marker that is not there. Wherever ours
// completes an entry, liblzma must have decoded the same bytes from the
// whole stream.
//
// Documented differences (liblzma accepts, ours rejects):
// - flag bit 1 set and no end marker at the entry's size;
// - bytes after the end of the stream (liblzma stops before them).
// The dictionaries are powers of 2 from 4 KiB, which liblzma keeps as they
// are (it rounds others up to 16 bytes and would accept a distance that far
// beyond the declared size).
#include <lzma.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/differential.h"
#include "fuzz/harness.h"

namespace {

constexpr size_t kHeaderSize = 5;
constexpr size_t kDamageSize = 3;
constexpr size_t kMaxOutput = 1 << 20;
constexpr uint16_t kMarkerFlag = 0x0002;

struct Liblzma {
  bool complete = false;  // decoded up to the size (and the marker, if any)
  size_t consumed = 0;
  std::string output;
};

lzma_options_lzma options_of(const uint8_t* p) {
  lzma_options_lzma o;
  lzma_lzma_preset(&o, (p[1] / 5) % 10);
  o.lc = p[0] % 5;
  o.lp = (p[0] / 5) % (5 - o.lc);
  o.pb = p[1] % 5;
  o.dict_size = 4096u << (p[2] >> 1 & 7);
  return o;
}

std::string encode(lzma_options_lzma o, bool marker, const std::string& data) {
  o.ext_flags = marker ? LZMA_LZMA1EXT_ALLOW_EOPM : 0;
  lzma_filter filters[] = {{LZMA_FILTER_LZMA1EXT, &o}, {LZMA_VLI_UNKNOWN, nullptr}};
  lzma_stream z = LZMA_STREAM_INIT;
  if (lzma_raw_encoder(&z, filters) != LZMA_OK) return "";
  std::string out(data.size() + data.size() / 2 + 1024, '\0');
  z.next_in = reinterpret_cast<const uint8_t*>(data.data());
  z.avail_in = data.size();
  z.next_out = reinterpret_cast<uint8_t*>(out.data());
  z.avail_out = out.size();
  const lzma_ret status = lzma_code(&z, LZMA_FINISH);
  out.resize(status == LZMA_STREAM_END ? z.total_out : 0);
  lzma_end(&z);
  return out;
}

Liblzma decode(lzma_options_lzma o, const std::string& stream, uint64_t size) {
  Liblzma r;
  o.ext_flags = LZMA_LZMA1EXT_ALLOW_EOPM;
  lzma_set_ext_size(o, size);
  lzma_filter filters[] = {{LZMA_FILTER_LZMA1EXT, &o}, {LZMA_VLI_UNKNOWN, nullptr}};
  lzma_stream z = LZMA_STREAM_INIT;
  if (lzma_raw_decoder(&z, filters) != LZMA_OK) return r;
  r.output.resize(kMaxOutput + 1);
  z.next_in = reinterpret_cast<const uint8_t*>(stream.data());
  z.avail_in = stream.size();
  z.next_out = reinterpret_cast<uint8_t*>(r.output.data());
  z.avail_out = r.output.size();
  r.complete = lzma_code(&z, LZMA_FINISH) == LZMA_STREAM_END;
  r.consumed = z.total_in;
  r.output.resize(z.total_out);
  lzma_end(&z);
  return r;
}

// The ZIP framing: version, properties size, properties.
std::string framed(const lzma_options_lzma& o, const std::string& stream) {
  std::string out = {9, 20, 5, 0, static_cast<char>((o.pb * 5 + o.lp) * 9 + o.lc)};
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>(o.dict_size >> (8 * i)));
  return out + stream;
}

uint32_t crc_of(const std::string& s) {
  return static_cast<uint32_t>(lzma_crc32(reinterpret_cast<const uint8_t*>(s.data()), s.size(), 0));
}

// Ends with the marker: decoding again with the size one larger does not complete.
bool ends_with_marker(const lzma_options_lzma& o, const std::string& stream, uint64_t size) {
  return !decode(o, stream, size + 1).complete;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < kHeaderSize) return 0;
  const lzma_options_lzma o = options_of(data);
  const bool marker = data[2] & 1;
  const size_t damages = data[4] % 8;
  if (size < kHeaderSize + damages * kDamageSize) return 0;
  const uint8_t* seed = data + kHeaderSize + damages * kDamageSize;
  const std::string content = shape_data(data[3], seed, size - (seed - data));
  if (content.size() > kMaxOutput) return 0;
  std::string stream = encode(o, marker, content);
  if (stream.empty()) return 0;
  for (size_t i = 0; i < damages; ++i) damage(stream, data + kHeaderSize + i * kDamageSize);
  const int size_change = (data[2] >> 4 & 3) % 3;
  const uint64_t declared = content.size() + (size_change == 1 && !content.empty() ? -1
                                              : size_change == 2                   ? 1
                                                                                   : 0);
  const uint16_t flags = marker ? kMarkerFlag : 0;

  const Liblzma reference = decode(o, stream, declared);
  if (damages == 0 && size_change == 0)
    require(reference.complete && reference.output == content, "liblzma does not round-trip its own stream");
  const std::string entry = framed(o, stream);
  if (reference.complete && reference.consumed == stream.size()) {
    const OursResult ours = run_ours(14, flags, entry, crc_of(reference.output), declared);
    const bool promised_marker_missing = marker && !ends_with_marker(o, stream, declared);
    if (!promised_marker_missing || ours.ending == "Extraction Complete") {
      require(ours.output == reference.output, "ours wrote other bytes than liblzma decoded");
      require(ours.ending == "Extraction Complete", "ours rejects a stream liblzma decodes completely",
              ours.ending);
    }
    return 0;
  }
  // liblzma rejects, or stops before the end: ours must not complete the entry.
  OursResult ours = run_ours(14, flags, entry, 0, declared);
  if (ours.ending == "CRC error -- SFX stopped")
    ours = run_ours(14, flags, entry, crc_of(ours.output), declared);
  if (ours.ending != "Extraction Complete") return 0;
  require(false, "ours completes a stream liblzma does not decode from every byte", ours.ending);
  return 0;
}
