// File-system calls: the only file and directory code that differs between
// Windows and Linux. Paths are UTF-8 texts on both. On Windows the calls
// that open, make, remove or look at a file take paths as long as the
// system does (32,767 units), whatever the current directory can hold.
#pragma once
#include <cstddef>
#include <cstdint>

namespace platform {

#ifdef _WIN32
inline constexpr bool kHasDrives = true;
inline constexpr char kSeparator = '\\';
// Windows matches names without regard to case, so paths are upper-cased.
inline constexpr bool kCaseInsensitiveNames = true;
#else
inline constexpr bool kHasDrives = false;
inline constexpr char kSeparator = '/';
inline constexpr bool kCaseInsensitiveNames = false;
#endif

inline bool is_separator(char c) { return c == '/' || c == '\\'; }

// True when `path` (UTF-8 bytes or UTF-16 units) holds at most `longest_path`
// units and none of its levels more than `longest_level`.
template <class Unit>
bool path_fits(const Unit* path, size_t longest_path, size_t longest_level) {
  size_t n = 0;
  for (size_t level = 0; path[n] != 0; ++n) {
    level = path[n] == '/' || path[n] == '\\' ? 0 : level + 1;
    if (level > longest_level) return false;
  }
  return n <= longest_path;
}

using FileHandle = intptr_t;
inline constexpr FileHandle kNoFile = -1;

FileHandle open_for_reading(const char* path);
// Creates or truncates.
FileHandle open_for_writing(const char* path);
// Creates the file only where nothing of that name is (a link included, never
// followed): kNoFile where something is, or where it cannot be made.
FileHandle create_new_file(const char* path);
// Bytes read from `offset` on (fewer at the end of the file or on an error).
// Every read names its offset, so two threads may read one file at once.
uint32_t read_file_at(FileHandle f, uint64_t offset, void* buffer, uint32_t count);
// True when every byte was written.
bool write_file(FileHandle f, const void* data, uint32_t count);
uint64_t file_size(FileHandle f);
// True when the file was closed without a pending write error.
bool close_file(FileHandle f);

// Full path of the running program; empty when it does not fit.
void module_path(char* out, size_t capacity);
bool current_dir(char* out, size_t capacity);
// `path` made absolute as the file calls take it (on Windows without its
// "\\?\" prefix) in `out`; false when it, or one of its levels, is longer
// than the system takes, so that nothing is made under a shortened name.
bool full_path(const char* path, char* out, size_t capacity);
bool set_current_dir(const char* path);
// Makes drive A..Z current with its own current directory; false where the
// drive does not exist (always false without drives).
bool set_current_drive(char letter);

// True when the directory was made.
bool create_dir(const char* path);
bool delete_file(const char* path);
// Moves the file `from` to `to` in the same directory, in place of a file
// there, a read-only one too; false where the system refuses (on Windows a
// file another program holds open), the file there then left as it was.
bool move_file_over(const char* from, const char* to);
// A word from the system's random generator, for names nobody can guess.
uint32_t random_word();
// Something of that name is there (a link not followed).
bool file_exists(const char* path);
bool is_directory(const char* path);
// 100-ns steps since 1601-01-01 UTC, as a Windows FILETIME counts them.
inline constexpr uint64_t kTicksPerSecond = 10'000'000;
inline constexpr uint64_t kUnixEpochSeconds = 11'644'473'600;  // 1970-01-01 in seconds since 1601
static_assert(kUnixEpochSeconds == (369 * 365 + 89) * 86400ull, "369 years, 89 of them leap years");

// Creation, access and write times of the open file: `exact`, in 100-ns
// steps since 1601-01-01 UTC, where it is not 0; otherwise the DOS date and
// time as local time of this machine. Invalid DOS values (a February 29
// outside a leap year among them) leave the file alone.
void stamp_file_time(FileHandle f, uint64_t exact, uint16_t dos_date, uint16_t dos_time);

}  // namespace platform
