#include "archive/bit_input.h"

#include "archive/entry_bits.h"
#include "base/fatal.h"

const uint16_t bit_masks[17] = {0x0000, 0x0001, 0x0003, 0x0007, 0x000F, 0x001F, 0x003F, 0x007F, 0x00FF,
                                0x01FF, 0x03FF, 0x07FF, 0x0FFF, 0x1FFF, 0x3FFF, 0x7FFF, 0xFFFF};

void reset_bit_input(BitInput& bits, uint32_t compressed_size) {
  bits.compressed_left = static_cast<int32_t>(compressed_size);
  bits.buffer = 0;
  bits.count = 0;
  bits.overrun_allowance = 2;
}

uint16_t peek_bits_refill(RunState& run, int16_t n) {
  BitInput& bits = run.bits;
  while (bits.count < static_cast<uint8_t>(n)) {
    // A file that ends inside the entry's data is answered like data that
    // has run out (and the bytes it lacks stay counted as not consumed):
    // reading on as if it held one bits would let a forged size drive a
    // decoder for gigabytes.
    uint32_t b = bits.compressed_left > 0 ? archive_get_byte(run.archive) : 0xFFFFFFFFu;
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
  if (run.bits.compressed_left <= 0) return kEndOfData;
  uint32_t b = archive_get_byte(run.archive);
  if (b > 0xFF) return kEndOfData;  // the file ends inside the data
  --run.bits.compressed_left;
  return static_cast<uint16_t>(b);
}
