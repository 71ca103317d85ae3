// Entry names as ZIP stores them, decoded to the program's UTF-8. Flag bit
// 11 marks a UTF-8 name; without it the bytes are in an OEM code page; a
// Unicode Path extra field whose CRC-32 matches the stored name replaces it.
// Names are decoded before they are split into levels, so a byte 0x5C inside
// a double-byte character never acts as a separator.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string_view>

inline constexpr uint16_t kFlagUtf8Name = 0x0800;
inline constexpr uint16_t kUnicodePathExtraId = 0x7075;

struct DecodedName {
  size_t length = 0;  // bytes in the output, no terminating zero
  bool cut = false;   // the name did not fit the output
};

// Writes the name to `out` as far as it fits. The bytes of a UTF-8 name are
// kept as they are, well formed or not, zero bytes included: the name rules
// judge them.
DecodedName decode_entry_name(std::string_view stored, uint16_t flags, std::string_view extra, char* out,
                              size_t capacity);

// The name in the first Unicode Path extra field, when it is version 1 and
// its CRC-32 matches `stored`; empty otherwise.
std::string_view unicode_path_name(std::string_view extra, std::string_view stored);
