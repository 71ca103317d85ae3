#include "archive/crc32.h"

#include <gtest/gtest.h>

#include "tests/support/zip_builder.h"

namespace {

TEST(Crc32, SingleBytesGiveTheListedRemainders) {
  const uint8_t one = 1, all = 255;
  EXPECT_EQ(crc32_block(0, &one, 1), 0x77073096u);
  EXPECT_EQ(crc32_block(0, &all, 1), 0x2D02EF8Du);
}

// Whole blocks of every length and alignment agree with a bit-by-bit CRC,
// whichever way the block is computed (the folding path starts at 64 bytes).
TEST(Crc32, BlocksOfEveryLengthAndAlignmentMatchTheBitwiseCrc) {
  std::string data(5000, '\0');
  uint32_t seed = 12345;
  for (char& c : data) {
    seed = seed * 1103515245u + 12345u;
    c = static_cast<char>(seed >> 24);
  }
  for (size_t offset = 0; offset < 16; ++offset) {
    for (size_t length : {0u, 1u, 15u, 16u, 63u, 64u, 65u, 127u, 128u, 200u, 1000u, 4095u, 4984u}) {
      std::string piece = data.substr(offset, length);
      uint32_t crc = crc32_block(0xFFFFFFFFu, reinterpret_cast<const uint8_t*>(data.data() + offset), length);
      ASSERT_EQ(crc ^ 0xFFFFFFFFu, reference_crc32(piece)) << offset << " " << length;
    }
  }
  // Split anywhere: the register carries over between blocks.
  uint32_t crc = crc32_block(0xFFFFFFFFu, reinterpret_cast<const uint8_t*>(data.data()), 777);
  crc = crc32_block(crc, reinterpret_cast<const uint8_t*>(data.data() + 777), data.size() - 777);
  EXPECT_EQ(crc ^ 0xFFFFFFFFu, reference_crc32(data));
}

}  // namespace
