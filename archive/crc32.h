// CRC-32 of ZIP (reflected polynomial 0xEDB88320), over whole blocks.
#pragma once
#include <cstddef>
#include <cstdint>

// The register after feeding `count` bytes (from 0 and one byte: the
// remainder of that byte).
uint32_t crc32_block(uint32_t crc, const uint8_t* data, size_t count);

// One byte's step of the register, as the traditional ZIP cipher uses it.
uint32_t crc32_byte(uint32_t crc, uint8_t b);
