// Method 14: an LZMA stream behind the ZIP framing, a 2-byte version of the
// writer, a 2-byte size of the properties (5) and the properties: the byte
// (pb * 5 + lp) * 9 + lc and the dictionary size. Flag bit 1 says the stream
// ends with an end marker; otherwise it ends with the entry's size (a marker
// may still follow). Every byte goes out through the window's sink, a piece
// at a time, so progress, Cancel and the CRC-32 work as for every method.
#include <algorithm>

#include "base/fatal.h"
#include "base/memory.h"
#include "decoders/decoders.h"
#include "decoders/lzma_decoder.h"
#include "decoders/lzma_input.h"

namespace {

constexpr unsigned kFramingSize = 9;
constexpr unsigned kRangeInitSize = 5;
constexpr uint16_t kEndMarkerFlag = 0x0002;
constexpr uint32_t kMinDictionary = 4096;  // what every LZMA decoder gives a smaller one
constexpr uint32_t kFlushSize = kLargeRingSize;
constexpr unsigned kPropertyValues = 9 * 5 * 5;  // lc 0-8, lp 0-4, pb 0-4

struct LzmaEntry {
  explicit LzmaEntry(RunState& r) : run(r) {}
  RunState& run;
  LzmaInput input;
  LzmaDecoder d;
  uint32_t flushed = 0;  // the ring's bytes before this are written out
  uint64_t left = 0;     // bytes the entry's size still allows

  void flush() {
    if (d.pos != flushed) write_decoded(run.window, d.dict + flushed, d.pos - flushed);
    flushed = d.pos;
    if (d.pos == d.dict_size) {
      d.pos = flushed = 0;
      d.position_base += d.dict_size;
      d.full = true;
    }
  }
  [[noreturn]] void stop() {
    flush();
    fatal_exit(kDataIntegrityError);
  }
  // Stages more input once a symbol could reach past what is staged;
  // stops when the stream has read past the entry's end.
  void keep_input() {
    if (d.rc.in <= input.safe) return;
    if (input.last) stop();
    d.rc.in = stage_lzma_input(run, input, d.rc.in);
  }
  // The stream is complete: its last byte normalised in, no byte after it,
  // and the code back at zero, as the writer's flush leaves it.
  bool finished() {
    if (d.rc.in > input.end) return false;
    rc_normalize(d.rc);
    return d.rc.in == input.end && input.last && d.rc.code == 0;
  }
};

}  // namespace

void lzma_entry(RunState& run, const LocalHeader& header) {
  LzmaEntry e(run);
  LzmaDecoder& d = e.d;
  e.input.end = e.input.bytes;
  const uint8_t* in = stage_lzma_input(run, e.input, e.input.bytes);
  if (e.input.end - in < static_cast<ptrdiff_t>(kFramingSize + kRangeInitSize)) e.stop();
  const unsigned properties = in[4];
  // The range coder's first byte is always zero.
  if (in[2] != 5 || in[3] != 0 || properties >= kPropertyValues || in[kFramingSize] != 0) e.stop();
  d.lc = properties % 9;
  d.lp_mask = (1u << (properties / 9 % 5)) - 1;
  d.pb_mask = (1u << (properties / 45)) - 1;
  // The ring need not be larger than the entry: the allocation follows the
  // data, not a forged or generous dictionary size.
  e.left = run.entry_sizes.uncompressed;
  const uint64_t wanted = std::min<uint64_t>(std::max(read_le32(in + 5), kMinDictionary), e.left);
  d.dict_size = static_cast<uint32_t>(std::max<uint64_t>(wanted, 1));
  // The code's first four bytes, most significant first.
  const uint8_t* code = in + kFramingSize + 1;
  d.rc =
      RangeDecoder{0xFFFFFFFFu, static_cast<uint32_t>(code[0]) << 24 | code[1] << 16 | code[2] << 8 | code[3],
                   in + kFramingSize + kRangeInitSize};

  const uint32_t prob_count = lzma_prob_count(d.lc, properties / 9 % 5);
  ZeroedBlock<LzmaProb> probs = make_zeroed<LzmaProb>(prob_count * static_cast<uint32_t>(sizeof(LzmaProb)));
  std::fill_n(probs.get(), prob_count, kLzmaProbInit);
  d.model = reinterpret_cast<LzmaProbs*>(probs.get());
  d.literals = probs.get() + sizeof(LzmaProbs) / sizeof(LzmaProb);
  ZeroedBlock<uint8_t> dict = make_zeroed<uint8_t>(d.dict_size);
  d.dict = dict.get();

  const bool marker_promised = header.flags() & kEndMarkerFlag;
  while (e.left != 0) {
    e.keep_input();
    // Up to the ring's end, the next piece to write, or the entry's size.
    const uint32_t room = static_cast<uint32_t>(
        std::min<uint64_t>(std::min(d.dict_size, e.flushed + kFlushSize) - d.pos, e.left));
    const uint32_t start = d.pos;
    const LzmaStop result = lzma_decode_run(d, d.pos + room, e.input.safe);
    e.left -= d.pos - start;
    if (d.pos - e.flushed >= kFlushSize || d.pos == d.dict_size) e.flush();
    // A match past the entry's size, a distance beyond the history, or the
    // end marker before the size is reached.
    if (result != LzmaStop::kLimit || (e.left == 0 && d.pending != 0)) e.stop();
  }
  e.flush();
  // After the last byte: the end of the stream, or the end marker there.
  if (marker_promised || !e.finished()) {
    e.keep_input();
    // Room for one byte, which only a symbol other than the marker takes
    // (and which is not written out).
    const uint32_t end = d.pos;
    if (lzma_decode_run(d, end + 1, e.input.safe) != LzmaStop::kEndMarker || !e.finished()) {
      d.pos = end;
      e.stop();
    }
  }
}
