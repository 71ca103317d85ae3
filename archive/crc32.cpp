#include "archive/crc32.h"

#include <cstring>

namespace {

constexpr std::array<uint32_t, 256> make_table() {
  std::array<uint32_t, 256> t{};
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t c = i;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    t[i] = c;
  }
  return t;
}

// Slicing by sixteen: table k holds the remainder of a byte followed by k zero
// bytes, so sixteen input bytes cost sixteen independent look-ups instead of
// a chain of sixteen dependent ones. Derived from the byte table at first use
// rather than stored, which keeps 15 KiB out of the program file.
uint32_t slices[16][256];
bool slices_ready = false;

void build_slices() {
  for (uint32_t i = 0; i < 256; ++i) slices[0][i] = crc_table[i];
  for (int k = 1; k < 16; ++k)
    for (uint32_t i = 0; i < 256; ++i) slices[k][i] = crc_table[slices[k - 1][i] & 0xFF] ^ (slices[k - 1][i] >> 8);
  slices_ready = true;
}

}  // namespace

constexpr std::array<uint32_t, 256> crc_table = make_table();
static_assert(crc_table[1] == 0x77073096u && crc_table[255] == 0x2D02EF8Du);

uint32_t crc32_block(uint32_t crc, const uint8_t* data, size_t count) {
  if (!slices_ready) build_slices();
  const auto& t = slices;
  while (count >= 16) {
    uint32_t w[4];
    std::memcpy(w, data, 16);  // little-endian targets only (x86)
    w[0] ^= crc;
    crc = t[15][w[0] & 0xFF] ^ t[14][(w[0] >> 8) & 0xFF] ^ t[13][(w[0] >> 16) & 0xFF] ^ t[12][w[0] >> 24] ^
          t[11][w[1] & 0xFF] ^ t[10][(w[1] >> 8) & 0xFF] ^ t[9][(w[1] >> 16) & 0xFF] ^ t[8][w[1] >> 24] ^
          t[7][w[2] & 0xFF] ^ t[6][(w[2] >> 8) & 0xFF] ^ t[5][(w[2] >> 16) & 0xFF] ^ t[4][w[2] >> 24] ^
          t[3][w[3] & 0xFF] ^ t[2][(w[3] >> 8) & 0xFF] ^ t[1][(w[3] >> 16) & 0xFF] ^ t[0][w[3] >> 24];
    data += 16;
    count -= 16;
  }
  while (count--) crc = crc32_update(*data++, crc);
  return crc;
}
