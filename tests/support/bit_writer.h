// Bit streams written by hand for the decoder tests, in the order the
// decoders take bits: each byte filled from its least significant bit up.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

class BitWriter {
 public:
  // The low `n` bits of `value`, least significant first (plain fields).
  void put(uint32_t value, int n);
  // A prefix code of `length` bits whose most significant bit goes first, as
  // the Shannon-Fano and Huffman codes are sent.
  void put_code(uint32_t code, int length);
  // Fills the rest of the current byte with `bit`.
  void fill_byte(uint32_t bit);
  // Pads to the byte boundary with zero bits, then appends `raw` as is.
  void put_bytes(const std::string& raw);

  bool byte_aligned() const { return bits_ % 8 == 0; }
  // Unused (zero) bits in the last byte.
  size_t padding_bits() const { return bytes_.size() * 8 - bits_; }
  // Every byte begun so far, the last one padded with zero bits.
  const std::string& bytes() const { return bytes_; }

 private:
  std::string bytes_;
  size_t bits_ = 0;
};
