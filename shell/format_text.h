// Formats a user-visible text into a fixed buffer. Texts longer than the
// buffer are cut to it (always terminated), never written past it.
#pragma once
#include <cstddef>

#if defined(__GNUC__)
__attribute__((format(printf, 3, 4)))
#endif
void format_text(char* out, size_t capacity, const char* format, ...);
