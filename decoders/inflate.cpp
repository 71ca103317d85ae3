// Methods 8 and 9: deflate data (RFC 1951), a sequence of stored,
// fixed-code and dynamic-code blocks, and Deflate64, the same with a 64 KiB
// history: length symbol 285 is 3 plus 16 extra bits, and distance symbols 30
// and 31 reach back 65536 bytes. A damaged Huffman block just ends decoding;
// the driver's consumption and CRC checks report it.
#include "archive/entry_bits.h"
#include "base/fatal.h"
#include "decoders/decoders.h"
#include "decoders/inflate_fast.h"
#include "decoders/inflate_table.h"

namespace {

const uint16_t code_length_order[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};

// Literal/length symbols 257 to 287; 286 and 287 are invalid codes.
const uint16_t length_base[31] = {3,  4,  5,  6,  7,  8,  9,  10,  11,  13,  15,  17,  19,  23, 27, 31,
                                  35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258, 0,  0};
const uint16_t length_extra[31] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2,  2, 2,
                                   3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0, 99, 99};
// Deflate64's: symbol 285 differs.
const uint16_t length_base64[31] = {3,  4,  5,  6,  7,  8,  9,  10,  11,  13,  15,  17,  19, 23, 27, 31,
                                    35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 3,  0,  0};
const uint16_t length_extra64[31] = {
    0,  0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, kOpLongLength,
    99, 99};

// Distance symbols 0 to 31; deflate has no 30 and 31.
const uint16_t dist_base[32] = {1,    2,    3,    4,    5,    7,     9,     13,    17,    25,   33,
                                49,   65,   97,   129,  193,  257,   385,   513,   769,   1025, 1537,
                                2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577, 32769, 49153};
const uint16_t dist_extra[32] = {0, 0, 0, 0, 1, 1, 2,  2,  3,  3,  4,  4,  5,  5,  6,  6,
                                 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13, 14, 14};

constexpr uint16_t kMaxLiteralLengths = 286;
constexpr uint16_t kMaxDistanceLengths = 32;

// The fixed codes are the same for every block that uses them: built at the
// first such block and kept until the process ends, like the window.
struct FixedCodes {
  InflateCode literals, distances;
};

// What tells the two formats apart.
struct DeflateFormat {
  const uint16_t* length_base;
  const uint16_t* length_extra;
  uint16_t distance_codes;     // 30 or 32
  unsigned length_extra_bits;  // the most a length takes: 5 or 16
  FixedCodes fixed;
};
DeflateFormat deflate_format{length_base, length_extra, 30, 5, {}};
DeflateFormat deflate64_format{length_base64, length_extra64, 32, kLongLengthExtraBits, {}};

// Literals and matches, one request at a time, until the end of the block
// (0) or bad data (1); kInputLow after one symbol, at which point the fast
// loop gets another chance.
uint16_t decode_symbol_slowly(RunState& run, const InflateCode& literals, const InflateCode& distances) {
  EntryBits bits(run);
  const uint32_t e = next_entry(bits, literals);
  if (is_kind(e, kPlainSymbol)) {
    bits.drop(code_bits(e));
    put_byte(run.window, static_cast<uint8_t>(entry_value(e)));
    return kInputLow;
  }
  if (is_kind(e, kBlockEnd)) {
    bits.drop(code_bits(e));
    return 0;
  }
  uint32_t length;
  if (is_kind(e, kBaseValue))
    length = take_base_value(bits, e);
  else if (is_kind(e, kLongLength))
    length = take_long_length(bits, e);
  else
    return 1;
  const uint32_t d = next_entry(bits, distances);
  if (!is_kind(d, kBaseValue)) return 1;
  copy_match(run.window, take_base_value(bits, d), length);
  return kInputLow;
}

// Literals and matches up to the end-of-block code; 1 for bad data. While
// plenty of input is buffered the bits come from the fast reservoir, else
// one symbol at a time from the bit input.
uint16_t decode_codes(RunState& run, const InflateCode& literals, const InflateCode& distances,
                      const DeflateFormat& format) {
  for (;;) {
    uint16_t result = inflate_fast(run, literals, distances, format.length_extra_bits);
    if (result == kInputLow) result = decode_symbol_slowly(run, literals, distances);
    if (result != kInputLow) return result;
  }
}

void stored_block(RunState& run) {
  // Drop the rest of the current byte; a whole byte still held is LEN's first.
  take_bits(run, static_cast<int16_t>(run.bits.count % 8));
  uint16_t len = take_bits(run, 16);
  // NLEN comes straight from the archive stream and is not checked.
  archive_get_byte(run.archive);
  archive_get_byte(run.archive);
  count_off_compressed(run.bits, 2);
  copy_stored(run, len);
}

uint16_t fixed_block(RunState& run, DeflateFormat& format) {
  FixedCodes& fixed = format.fixed;
  if (!fixed.literals.entries) {
    uint16_t lengths[288];
    for (int i = 0; i < 288; ++i) lengths[i] = i < 144 ? 8 : i < 256 ? 9 : i < 280 ? 7 : 8;
    if (!build_inflate_code(fixed.literals, lengths, 288, 257, format.length_base, format.length_extra, 7))
      return 1;
    // Deflate's 30 of the 32 five-bit codes: the other two decode as unused.
    for (int i = 0; i < 32; ++i) lengths[i] = 5;
    if (!build_inflate_code(fixed.distances, lengths, format.distance_codes, 0, dist_base, dist_extra, 5))
      return 1;
    widen_for_fast_loop(fixed.literals, fixed.distances);
  }
  return decode_codes(run, fixed.literals, fixed.distances, format);
}

uint16_t dynamic_block(RunState& run, const DeflateFormat& format) {
  uint16_t hlit = static_cast<uint16_t>(take_bits(run, 5) + 257);
  uint16_t hdist = static_cast<uint16_t>(take_bits(run, 5) + 1);
  uint16_t hclen = static_cast<uint16_t>(take_bits(run, 4) + 4);
  if (hlit > kMaxLiteralLengths || hdist > format.distance_codes) return 1;

  uint16_t lengths[kMaxLiteralLengths + kMaxDistanceLengths];
  for (uint16_t i = 0; i < 19; ++i) lengths[code_length_order[i]] = i < hclen ? take_bits(run, 3) : 0;
  InflateCode code_lengths;
  if (!build_inflate_code(code_lengths, lengths, 19, 19, nullptr, nullptr, 7)) return 1;

  const uint16_t n = static_cast<uint16_t>(hlit + hdist);
  uint16_t prev = 0;
  for (uint16_t i = 0; i < n;) {
    EntryBits bits(run);
    const uint32_t e = next_entry(bits, code_lengths);
    if (!is_kind(e, kPlainSymbol)) return 1;
    bits.drop(code_bits(e));
    const uint16_t sym = static_cast<uint16_t>(entry_value(e));
    if (sym < 16) {
      lengths[i++] = prev = sym;
      continue;
    }
    uint16_t repeat;
    if (sym == 16) {
      repeat = static_cast<uint16_t>(3 + take_bits(run, 2));
    } else {
      prev = 0;
      repeat = static_cast<uint16_t>(sym == 17 ? 3 + take_bits(run, 3) : 11 + take_bits(run, 7));
    }
    if (i + repeat > n) return 1;
    while (repeat-- > 0) lengths[i++] = prev;
  }

  InflateCode literals, distances;
  if (!build_inflate_code(literals, lengths, hlit, 257, format.length_base, format.length_extra, 9)) return 1;
  if (!build_inflate_code(distances, lengths + hlit, hdist, 0, dist_base, dist_extra, 6)) return 1;
  widen_for_fast_loop(literals, distances);
  return decode_codes(run, literals, distances, format);
}

// Entries whose sizes are only in a trailing data descriptor never get here
// (entry_policy.h).
void inflate_blocks(RunState& run, DeflateFormat& format) {
  // Past the end of the data, the first two requests for bits are answered
  // zero-padded: the decoder looks ahead a full table width.
  run.bits.overrun_allowance = static_cast<int16_t>(-run.bits.overrun_allowance);
  for (;;) {
    uint16_t final_block = take_bits(run, 1);
    uint16_t type = take_bits(run, 2);
    uint16_t result = 0;
    switch (type) {
      case 0: stored_block(run); break;
      case 1: result = fixed_block(run, format); break;
      case 2: result = dynamic_block(run, format); break;
      default: fatal_exit(kDataIntegrityError);
    }
    if (final_block == 1 || result != 0) return;
  }
}

}  // namespace

void inflate_entry(RunState& run) { inflate_blocks(run, deflate_format); }

void inflate64_entry(RunState& run) { inflate_blocks(run, deflate64_format); }
