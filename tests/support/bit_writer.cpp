#include "tests/support/bit_writer.h"

void BitWriter::put(uint32_t value, int n) {
  for (int i = 0; i < n; ++i, ++bits_) {
    if (bits_ % 8 == 0) bytes_.push_back('\0');
    if ((value >> i) & 1u) bytes_.back() = static_cast<char>(bytes_.back() | 1 << (bits_ % 8));
  }
}

void BitWriter::put_code(uint32_t code, int length) {
  for (int i = length - 1; i >= 0; --i) put(code >> i, 1);
}

void BitWriter::fill_byte(uint32_t bit) {
  while (!byte_aligned()) put(bit, 1);
}

void BitWriter::put_bytes(const std::string& raw) {
  fill_byte(0);
  bytes_ += raw;
  bits_ += 8 * raw.size();
}
