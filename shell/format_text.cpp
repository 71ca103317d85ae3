#include "shell/format_text.h"

#include <cstdarg>
#include <cstdio>

void format_text(char* out, size_t capacity, const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::vsnprintf(out, capacity, format, args);
  va_end(args);
  out[capacity - 1] = '\0';
}
