#include "platform/linux/console_text.h"

#include <cstdint>

#include "base/utf8.h"

namespace {

bool acted_upon(std::string_view sequence) {
  auto lead = static_cast<uint8_t>(sequence[0]);
  if (sequence.size() == 1) return lead < 0x20 || lead == 0x7F;
  // U+0080 to U+009F, the C1 controls.
  return lead == 0xC2 && static_cast<uint8_t>(sequence[1]) < 0xA0;
}

}  // namespace

std::string visible_text(std::string_view text) {
  static const char kHex[] = "0123456789abcdef";
  std::string out;
  out.reserve(text.size());
  while (!text.empty()) {
    size_t n = utf8_sequence_length(text);
    std::string_view sequence(text.data(), n == 0 ? 1 : n);
    if (n == 0 || acted_upon(sequence)) {
      for (char c : sequence) {
        auto b = static_cast<uint8_t>(c);
        out += "\\x";
        out += kHex[b >> 4];
        out += kHex[b & 15];
      }
    } else {
      out += sequence;
    }
    text.remove_prefix(sequence.size());
  }
  return out;
}
