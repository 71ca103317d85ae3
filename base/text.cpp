#include "base/text.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

void copy_span(char* out, size_t capacity, const char* text, size_t length) {
  if (length >= capacity) length = capacity - 1;
  std::memmove(out, text, length);
  out[length] = '\0';
}

void copy_text(char* out, size_t capacity, const char* text) {
  copy_span(out, capacity, text, std::strlen(text));
}

void append_text(char* out, size_t capacity, const char* text) {
  size_t used = std::strlen(out);
  if (used + 1 < capacity) copy_text(out + used, capacity - used, text);
}

void upper_case(char* text) {
  for (; *text; ++text) *text = ascii_upper(*text);
}

void decimal_text(char (&out)[kDecimalCapacity], uint64_t value) {
  // Four 16-bit digits of base 65536, divided by 10 from the top down.
  uint32_t limbs[4] = {static_cast<uint32_t>(value >> 48), static_cast<uint32_t>(value >> 32) & 0xFFFF,
                       static_cast<uint32_t>(value >> 16) & 0xFFFF, static_cast<uint32_t>(value) & 0xFFFF};
  char* p = out + kDecimalCapacity - 1;
  *p = '\0';
  do {
    uint32_t rest = 0;
    for (uint32_t& limb : limbs) {
      const uint32_t part = rest << 16 | limb;
      limb = part / 10;
      rest = part % 10;
    }
    *--p = static_cast<char>('0' + rest);
  } while ((limbs[0] | limbs[1] | limbs[2] | limbs[3]) != 0);
  std::memmove(out, p, static_cast<size_t>(out + kDecimalCapacity - p));
}

void format_text(char* out, size_t capacity, const char* format, ...) {
  va_list args;
  va_start(args, format);
#ifdef _WIN32
  // The system C runtime's bounded formatter: the C++ headers would otherwise
  // select mingw's own printf, which is larger than the whole stub.
  _vsnprintf(out, capacity, format, args);
#else
  std::vsnprintf(out, capacity, format, args);
#endif
  va_end(args);
  out[capacity - 1] = '\0';
}
