// CRC-32 of ZIP (reflected polynomial 0xEDB88320), over whole blocks.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>

// Entry i is the remainder of the single byte i.
extern const std::array<uint32_t, 256> crc_table;

inline uint32_t crc32_update(uint8_t b, uint32_t crc) { return crc_table[(crc ^ b) & 0xFF] ^ (crc >> 8); }

// The register after feeding `count` bytes; the same as crc32_update per byte.
uint32_t crc32_block(uint32_t crc, const uint8_t* data, size_t count);
