// UTF-8, the one encoding of every text inside the program: where a
// well-formed sequence ends, and how to write a code point.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string_view>

// Bytes of the well-formed sequence at the start of `text` (1 to 4), or 0
// when it starts with none: a stray continuation byte, a cut sequence, an
// overlong form, a surrogate or a value above U+10FFFF.
size_t utf8_sequence_length(std::string_view text);

// Writes `code_point` (a scalar value, at most U+10FFFF) as 1 to 4 bytes; returns how many.
size_t put_utf8(uint32_t code_point, char* out);
