// Fixed-capacity texts: path capacities, bounded copy and append, ASCII
// upper-casing, and formatting of user-visible texts.
#pragma once
#include <cstddef>

// Paths are UTF-8. The program's own path, the start directory and the
// dialog's directories: on Windows MAX_PATH UTF-16 units, up to three bytes
// each; on Linux PATH_MAX bytes.
#ifdef _WIN32
inline constexpr size_t kPathCapacity = 1024;
#else
inline constexpr size_t kPathCapacity = 4096;
#endif
// The paths extraction writes to and the entry names: as long as Windows
// takes them through its "\\?\" form, 32,767 UTF-16 units of up to three
// bytes each (Linux's PATH_MAX is far below).
inline constexpr size_t kLongPathCapacity = 3 * 32767 + 1;
inline constexpr size_t kDriveCapacity = 3;
inline constexpr size_t kPartCapacity = kPathCapacity;  // dir, base name, extension

// Copies at most capacity - 1 bytes and always terminates.
void copy_text(char* out, size_t capacity, const char* text);
// Copies the first `length` bytes of text (cut to capacity - 1) and terminates.
void copy_span(char* out, size_t capacity, const char* text, size_t length);
void append_text(char* out, size_t capacity, const char* text);

// a-z become A-Z; every other byte stays (names are not case-folded beyond ASCII).
inline char ascii_upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }
void upper_case(char* text);

// The conversion of an unsigned long long in format_text: the system C
// runtime's own spelling on Windows.
#ifdef _WIN32
#define SFX_ULL "I64u"
#else
#define SFX_ULL "llu"
#endif

// Formats a user-visible text into a fixed buffer. Texts longer than the
// buffer are cut to it (always terminated), never written past it.
#if defined(__GNUC__)
__attribute__((format(printf, 3, 4)))
#endif
void format_text(char* out, size_t capacity, const char* format, ...);
