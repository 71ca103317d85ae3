#include "archive/bit_input.h"

#include "archive/entry_bits.h"
#include "base/fatal.h"

const uint16_t bit_masks[17] = {0x0000, 0x0001, 0x0003, 0x0007, 0x000F, 0x001F, 0x003F, 0x007F, 0x00FF,
                                0x01FF, 0x03FF, 0x07FF, 0x0FFF, 0x1FFF, 0x3FFF, 0x7FFF, 0xFFFF};

namespace {

// Out of line: 64-bit arithmetic is long code on a 32-bit target, and this is a rare path.
[[gnu::noinline]] void set_compressed_unread(BitInput& bits, int64_t unread) {
  const int64_t window = unread < kCompressedWindow ? unread : kCompressedWindow;
  bits.compressed_left = static_cast<int32_t>(window);
  bits.compressed_beyond = static_cast<uint64_t>(unread - window);
}

}  // namespace

void reset_bit_input(BitInput& bits, uint64_t compressed_size) {
  // A forged size past 2^63 is as far beyond the file's end as any other.
  constexpr uint64_t kLargest = ~uint64_t{0} >> 1;
  set_compressed_unread(bits, static_cast<int64_t>(compressed_size < kLargest ? compressed_size : kLargest));
  bits.buffer = 0;
  bits.count = 0;
  bits.overrun_allowance = 2;
}

void count_off_compressed(BitInput& bits, uint32_t n) {
  set_compressed_unread(bits, compressed_unread(bits) - n);
}

bool next_compressed_window(BitInput& bits) {
  if (bits.compressed_beyond == 0) return false;
  set_compressed_unread(bits, compressed_unread(bits));
  return bits.compressed_left > 0;
}

uint16_t peek_bits_refill(RunState& run, int16_t n) {
  BitInput& bits = run.bits;
  while (bits.count < static_cast<uint8_t>(n)) {
    // A file that ends inside the entry's data is answered like data that
    // has run out (and the bytes it lacks stay counted as not consumed):
    // reading on as if it held one bits would let a forged size drive a
    // decoder for gigabytes.
    const bool unread = bits.compressed_left > 0 || next_compressed_window(bits);
    uint32_t b = unread ? archive_get_byte(run.archive) : 0xFFFFFFFFu;
    if (b <= 0xFF) {
      bits.buffer |= b << bits.count;
      bits.count = static_cast<uint8_t>(bits.count + 8);
      --bits.compressed_left;
    } else if (bits.overrun_allowance == 0) {
      flush_window(run.window);
      fatal_exit(kDataIntegrityError);
    } else if (bits.overrun_allowance > 0) {
      --bits.overrun_allowance;
      return kEndOfData;
    } else {
      ++bits.overrun_allowance;
      break;
    }
  }
  return static_cast<uint16_t>(bits.buffer & bit_masks[n]);
}

uint16_t read_byte(RunState& run) {
  if (run.bits.compressed_left <= 0 && !next_compressed_window(run.bits)) return kEndOfData;
  uint32_t b = archive_get_byte(run.archive);
  if (b > 0xFF) return kEndOfData;  // the file ends inside the data
  --run.bits.compressed_left;
  return static_cast<uint16_t>(b);
}
