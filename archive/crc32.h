// CRC-32 of ZIP (reflected polynomial 0xEDB88320), over whole blocks.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>

// Table 0 is the classic byte table (entry i: the remainder of the byte i);
// table k holds the remainder of a byte followed by k zero bytes, so eight
// input bytes cost eight independent look-ups ("slicing by eight").
using CrcTables = std::array<std::array<uint32_t, 256>, 8>;
extern const CrcTables crc_tables;

inline uint32_t crc32_update(uint8_t b, uint32_t crc) {
  return crc_tables[0][(crc ^ b) & 0xFF] ^ (crc >> 8);
}

// The register after feeding `count` bytes; the same as crc32_update per byte.
uint32_t crc32_block(uint32_t crc, const uint8_t* data, size_t count);
