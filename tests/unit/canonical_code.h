// Canonical Huffman codes from code lengths as deflate defines them, worked
// out bit by bit for the tests of the decoding tables and of inflate.
#pragma once
#include <cstdint>
#include <vector>

// The code of every symbol in stream order: the code's first bit, its most
// significant one, is bit 0 (symbols without a code get 0).
inline std::vector<uint32_t> canonical_stream_codes(const std::vector<uint16_t>& lengths) {
  int bl_count[16] = {};
  for (uint16_t len : lengths) ++bl_count[len];
  bl_count[0] = 0;
  uint32_t next_code[16] = {};
  uint32_t code = 0;
  for (int bits = 1; bits <= 15; ++bits) {
    code = (code + bl_count[bits - 1]) << 1;
    next_code[bits] = code;
  }
  std::vector<uint32_t> codes(lengths.size());
  for (size_t sym = 0; sym < lengths.size(); ++sym) {
    int len = lengths[sym];
    if (len == 0) continue;
    uint32_t c = next_code[len]++, reversed = 0;
    for (int i = 0; i < len; ++i) reversed |= ((c >> (len - 1 - i)) & 1u) << i;
    codes[sym] = reversed;
  }
  return codes;
}
