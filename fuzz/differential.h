// Shared by the differential fuzz targets (ours against a reference library):
// data shaped from the fuzzer's seed bytes, damage to a compressed stream,
// and one entry run through the real extraction pass.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

// Data with the matches and runs that make an encoder use its whole repertoire:
// the low 2 bits of `shape` pick the kind, the rest the repetitions.
std::string shape_data(uint8_t shape, const uint8_t* seed, size_t size);

// One damage of 3 bytes (offset 16 bits, then kind and value): a flipped
// bit, a byte set, a cut or an inserted byte.
void damage(std::string& stream, const uint8_t* d);

struct OursResult {
  std::string ending;  // extraction_ending
  std::string output;
};

// An archive of one entry of `method` and `flags` holding `stream`, with the
// given CRC-32 and size, extracted in the fuzz run folder.
OursResult run_ours(uint16_t method, uint16_t flags, const std::string& stream, uint32_t crc, uint64_t size);
