#include "shell/format_text.h"

#include <cstdarg>
#include <cstdio>

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
