#include "archive/bit_input.h"

#include "archive/archive_stream.h"
#include "archive/slide_window.h"
#include "shell/fatal.h"

uint32_t bit_buffer = 0;
uint8_t bit_count = 0;
int32_t compressed_left = 0;
int16_t overrun_allowance = 0;

const uint16_t bit_masks[17] = {0x0000, 0x0001, 0x0003, 0x0007, 0x000F, 0x001F,
                                0x003F, 0x007F, 0x00FF, 0x01FF, 0x03FF, 0x07FF,
                                0x0FFF, 0x1FFF, 0x3FFF, 0x7FFF, 0xFFFF};

void reset_bit_input(uint32_t compressed_size) {
  compressed_left = static_cast<int32_t>(compressed_size);
  bit_buffer = 0;
  bit_count = 0;
  overrun_allowance = 2;
}

// Reads whole bytes only while fewer than n bits are held, so no byte beyond
// what a request needs ever leaves the archive stream. Past the entry's data
// the allowance decides: positive, the request is answered kEndOfData; negative
// (inflate), it is answered with the bits held, zero-extended; zero, the run stops.
uint16_t peek_bits_refill(int16_t n) {
  while (bit_count < static_cast<uint8_t>(n)) {
    // A file that ends inside the entry's data is answered like data that
    // has run out (and the bytes it lacks stay counted as not consumed):
    // reading on as if it held one bits would let a forged size drive a
    // decoder for gigabytes.
    uint32_t b = compressed_left > 0 ? archive_get_byte() : 0xFFFFFFFFu;
    if (b <= 0xFF) {
      bit_buffer |= b << bit_count;
      bit_count = static_cast<uint8_t>(bit_count + 8);
      --compressed_left;
    } else if (overrun_allowance == 0) {
      flush_window();
      fatal_exit(kDataIntegrityError);
    } else if (overrun_allowance > 0) {
      --overrun_allowance;
      return kEndOfData;
    } else {
      ++overrun_allowance;
      break;
    }
  }
  return static_cast<uint16_t>(bit_buffer & bit_masks[n]);
}

uint16_t read_byte() {
  if (compressed_left <= 0) return kEndOfData;
  uint32_t b = archive_get_byte();
  if (b > 0xFF) return kEndOfData;  // the file ends inside the data
  --compressed_left;
  return static_cast<uint16_t>(b);
}
