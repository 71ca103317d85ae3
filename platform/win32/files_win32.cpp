// The file-system calls over KERNEL32's ANSI functions.
#include <windows.h>

#include "platform/files.h"

namespace platform {

namespace {

HANDLE as_handle(FileHandle f) { return reinterpret_cast<HANDLE>(f); }

FileHandle as_file(HANDLE h) { return h == INVALID_HANDLE_VALUE ? kNoFile : reinterpret_cast<FileHandle>(h); }

}  // namespace

FileHandle open_for_reading(const char* path) {
  // Shared like the C runtime's "rb": the running program's own image stays readable.
  return as_file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
}

FileHandle open_for_writing(const char* path) {
  return as_file(CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
}

uint32_t read_file(FileHandle f, void* buffer, uint32_t count) {
  uint32_t done = 0;
  while (done < count) {
    DWORD n = 0;
    if (!ReadFile(as_handle(f), static_cast<char*>(buffer) + done, count - done, &n, nullptr) || n == 0)
      break;
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

bool seek_file(FileHandle f, uint64_t offset) {
  LARGE_INTEGER to;
  to.QuadPart = static_cast<LONGLONG>(offset);
  return SetFilePointerEx(as_handle(f), to, nullptr, FILE_BEGIN) != 0;
}

uint64_t file_size(FileHandle f) {
  LARGE_INTEGER size;
  return GetFileSizeEx(as_handle(f), &size) ? static_cast<uint64_t>(size.QuadPart) : 0;
}

bool close_file(FileHandle f) { return CloseHandle(as_handle(f)) != 0; }

void module_path(char* out, size_t capacity) {
  DWORD n = GetModuleFileNameA(nullptr, out, static_cast<DWORD>(capacity));
  // Older systems leave a cut path unterminated.
  out[n < capacity ? n : capacity - 1] = '\0';
}

bool current_dir(char* out, size_t capacity) {
  DWORD n = GetCurrentDirectoryA(static_cast<DWORD>(capacity), out);
  if (n > 0 && n < capacity) return true;
  out[0] = '\0';
  return false;
}

bool set_current_dir(const char* path) { return SetCurrentDirectoryA(path) != 0; }

bool set_current_drive(char letter) {
  // "X:" alone goes to that drive's own current directory.
  const char drive[3] = {letter, ':', '\0'};
  return SetCurrentDirectoryA(drive) != 0;
}

CreateDirResult create_dir(const char* path) {
  if (CreateDirectoryA(path, nullptr)) return CreateDirResult::kCreated;
  switch (GetLastError()) {
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
    case ERROR_NOT_READY:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION: return CreateDirResult::kAccessDenied;
    default: return CreateDirResult::kFailed;
  }
}

bool delete_file(const char* path) { return DeleteFileA(path) != 0; }

bool make_file_normal(const char* path) { return SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL) != 0; }

bool file_exists(const char* path) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

void stamp_file_time(const char* path, uint16_t dos_date, uint16_t dos_time) {
  // The DOS values become the file time as they are, without a local-to-UTC shift.
  FILETIME time;
  if (!DosDateTimeToFileTime(dos_date, dos_time, &time)) return;
  HANDLE h = CreateFileA(path, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return;
  SetFileTime(h, &time, &time, &time);
  CloseHandle(h);
}

}  // namespace platform
