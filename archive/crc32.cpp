#include "archive/crc32.h"

#include <cstring>

namespace {

// Built by the compiler into constant data.
constexpr CrcTables make_tables() {
  CrcTables t{};
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t c = i;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    t[0][i] = c;
  }
  for (uint32_t i = 0; i < 256; ++i)
    for (int k = 1; k < 8; ++k) t[k][i] = t[0][t[k - 1][i] & 0xFF] ^ (t[k - 1][i] >> 8);
  return t;
}

}  // namespace

constexpr CrcTables crc_tables = make_tables();
static_assert(crc_tables[0][1] == 0x77073096u && crc_tables[0][255] == 0x2D02EF8Du);

uint32_t crc32_block(uint32_t crc, const uint8_t* data, size_t count) {
  const auto& t = crc_tables;
  while (count >= 8) {
    uint32_t lo, hi;
    std::memcpy(&lo, data, 4);  // little-endian targets only (x86)
    std::memcpy(&hi, data + 4, 4);
    lo ^= crc;
    crc = t[7][lo & 0xFF] ^ t[6][(lo >> 8) & 0xFF] ^ t[5][(lo >> 16) & 0xFF] ^ t[4][lo >> 24] ^
          t[3][hi & 0xFF] ^ t[2][(hi >> 8) & 0xFF] ^ t[1][(hi >> 16) & 0xFF] ^ t[0][hi >> 24];
    data += 8;
    count -= 8;
  }
  while (count--) crc = crc32_update(*data++, crc);
  return crc;
}
