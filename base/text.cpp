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
