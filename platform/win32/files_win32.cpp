// The file-system calls over KERNEL32's wide functions: paths are UTF-8
// inside the program and UTF-16 at the system.
#include <windows.h>
// RtlGenRandom (advapi32's SystemFunction036): the system's random
// generator, which msvcrt's rand_s calls too.
#include <ntsecapi.h>

#include <cstring>

#include "platform/files.h"
#include "platform/win32/wide_text.h"

namespace platform {

namespace {

HANDLE as_handle(FileHandle f) { return reinterpret_cast<HANDLE>(f); }

FileHandle open_file(const char* path, DWORD access, DWORD sharing, DWORD disposition) {
  HANDLE h = CreateFileW(SystemPath(path).get(), access, sharing, nullptr, disposition, FILE_ATTRIBUTE_NORMAL,
                         nullptr);
  return h == INVALID_HANDLE_VALUE ? kNoFile : reinterpret_cast<FileHandle>(h);
}

// A path the system wrote to `path` (`n` units without the zero) as UTF-8
// in `out`; false, with `out` empty, when it was cut or does not fit.
bool path_from_system(DWORD n, const wchar_t* path, char* out, size_t capacity) {
  if (n > 0 && n < kSystemPathUnits && to_utf8(path, out, capacity)) return true;
  out[0] = '\0';
  return false;
}

}  // namespace

FileHandle open_for_reading(const char* path) {
  // Shared like the C runtime's "rb": the running program's own image stays readable.
  return open_file(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
}

FileHandle open_for_writing(const char* path) {
  return open_file(path, GENERIC_WRITE, FILE_SHARE_READ, CREATE_ALWAYS);
}

FileHandle create_new_file(const char* path) {
  return open_file(path, GENERIC_WRITE, FILE_SHARE_READ, CREATE_NEW);
}

// An offset given to a handle opened for synchronous reads reads from there.
uint32_t read_file_at(FileHandle f, uint64_t offset, void* buffer, uint32_t count) {
  uint32_t done = 0;
  while (done < count) {
    DWORD n = 0;
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset + done);
    at.OffsetHigh = static_cast<DWORD>((offset + done) >> 32);
    if (!ReadFile(as_handle(f), static_cast<char*>(buffer) + done, count - done, &n, &at) || n == 0) break;
    done += n;
  }
  return done;
}

bool write_file(FileHandle f, const void* data, uint32_t count) {
  uint32_t done = 0;
  while (done < count) {
    DWORD n = 0;
    if (!WriteFile(as_handle(f), static_cast<const char*>(data) + done, count - done, &n, nullptr) || n == 0)
      return false;
    done += n;
  }
  return true;
}

uint64_t file_size(FileHandle f) {
  LARGE_INTEGER size;
  return GetFileSizeEx(as_handle(f), &size) ? static_cast<uint64_t>(size.QuadPart) : 0;
}

bool close_file(FileHandle f) { return CloseHandle(as_handle(f)) != 0; }

void module_path(char* out, size_t capacity) {
  wchar_t path[kSystemPathUnits];
  path_from_system(GetModuleFileNameW(nullptr, path, kSystemPathUnits), path, out, capacity);
}

bool current_dir(char* out, size_t capacity) {
  // The full path of "." is the current directory, as GetCurrentDirectoryW
  // gives it: the call every long path needs serves here too, and the stub
  // imports one function less.
  wchar_t path[kSystemPathUnits];
  return path_from_system(GetFullPathNameW(L".", kSystemPathUnits, path, nullptr), path, out, capacity);
}

bool full_path(const char* path, char* out, size_t capacity) {
  // Every file system Windows writes to takes names of 255 units at most.
  SystemPath system(path);
  return path_fits(system.get(), kSystemPathUnits - 1, 255) && system.full_path(out, capacity);
}

// As given: the current directory keeps the form the dialog shows.
bool set_current_dir(const char* path) { return SetCurrentDirectoryW(WideText(path).get()) != 0; }

bool set_current_drive(char letter) {
  // "X:" alone goes to that drive's own current directory.
  const char drive[3] = {letter, ':', '\0'};
  return set_current_dir(drive);
}

bool create_dir(const char* path) { return CreateDirectoryW(SystemPath(path).get(), nullptr) != 0; }

bool delete_file(const char* path) { return DeleteFileW(SystemPath(path).get()) != 0; }

bool move_file_over(const char* from, const char* to) {
  if (MoveFileExW(SystemPath(from).get(), SystemPath(to).get(), MOVEFILE_REPLACE_EXISTING)) return true;
  // A read-only file refuses to be replaced: clear its attributes and try
  // once more, and give them back where the move still fails.
  const DWORD attributes = GetFileAttributesW(SystemPath(to).get());
  if (attributes == INVALID_FILE_ATTRIBUTES ||
      !SetFileAttributesW(SystemPath(to).get(), FILE_ATTRIBUTE_NORMAL))
    return false;
  if (MoveFileExW(SystemPath(from).get(), SystemPath(to).get(), MOVEFILE_REPLACE_EXISTING)) return true;
  SetFileAttributesW(SystemPath(to).get(), attributes);
  return false;
}

uint32_t random_word() {
  uint32_t word = 0;
  RtlGenRandom(&word, sizeof word);
  return word;
}

bool file_exists(const char* path) {
  return GetFileAttributesW(SystemPath(path).get()) != INVALID_FILE_ATTRIBUTES;
}

bool is_directory(const char* path) {
  DWORD attributes = GetFileAttributesW(SystemPath(path).get());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

void stamp_file_time(FileHandle f, uint64_t exact, uint16_t dos_date, uint16_t dos_time) {
  static_assert(sizeof(FILETIME) == sizeof exact);
  FILETIME time, local;
  std::memcpy(&time, &exact, sizeof time);
  // The system's own conversion, with the zone's offset as it stands now.
  if (exact == 0 &&
      !(DosDateTimeToFileTime(dos_date, dos_time, &local) && LocalFileTimeToFileTime(&local, &time)))
    return;
  SetFileTime(as_handle(f), &time, &time, &time);
}

}  // namespace platform
