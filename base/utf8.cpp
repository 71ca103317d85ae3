#include "base/utf8.h"

size_t utf8_sequence_length(std::string_view text) {
  auto byte = [&](size_t i) { return static_cast<uint8_t>(text[i]); };
  if (text.empty()) return 0;
  uint8_t lead = byte(0);
  if (lead < 0x80) return 1;
  if (lead < 0xC2 || lead > 0xF4) return 0;
  size_t length = 2 + (lead >= 0xE0) + (lead >= 0xF0);
  if (text.size() < length) return 0;
  // The second byte's range shuts out overlong forms, surrogates and values
  // above U+10FFFF.
  uint8_t second = byte(1);
  if ((lead == 0xE0 && second < 0xA0) || (lead == 0xF0 && second < 0x90) || (lead == 0xED && second > 0x9F) ||
      (lead == 0xF4 && second > 0x8F))
    return 0;
  for (size_t i = 1; i < length; ++i)
    if ((byte(i) & 0xC0) != 0x80) return 0;
  return length;
}

size_t put_utf8(uint32_t code_point, char* out) {
  auto put = [&](size_t i, uint32_t bits) { out[i] = static_cast<char>(bits); };
  if (code_point < 0x80) {
    put(0, code_point);
    return 1;
  }
  size_t length = code_point < 0x800 ? 2 : code_point < 0x10000 ? 3 : 4;
  static const uint8_t kLeadMarks[] = {0, 0, 0xC0, 0xE0, 0xF0};
  for (size_t i = length - 1; i > 0; --i, code_point >>= 6) put(i, 0x80 | (code_point & 0x3F));
  put(0, kLeadMarks[length] | code_point);
  return length;
}
