// rand_s: msvcrt's door to the system's random generator (RtlGenRandom).
#define _CRT_RAND_S
#include <windows.h>

#include <cstdlib>

#include "base/text.h"
#include "platform/temp_dir.h"
#include "platform/win32/wide_text.h"

namespace platform {

namespace {

bool is_link(DWORD attributes) { return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0; }

void remove_below(const WideText& dir) {
  wchar_t pattern[kWideCapacity + 2];
  wsprintfW(pattern, L"%s\\*", dir.get());
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW(pattern, &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    const wchar_t* name = found.cFileName;
    if (name[0] == L'.' && (name[1] == L'\0' || (name[1] == L'.' && name[2] == L'\0'))) continue;
    char path[kPathCapacity], part[kPathCapacity], whole[kPathCapacity];
    if (!to_utf8(dir.get(), path, sizeof path) || !to_utf8(name, part, sizeof part)) continue;
    format_text(whole, sizeof whole, "%s\\%s", path, part);
    WideText child(whole);
    SetFileAttributesW(child.get(), FILE_ATTRIBUTE_NORMAL);
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
      DeleteFileW(child.get());
      continue;
    }
    // A junction is removed as the link it is, never entered.
    if (!is_link(found.dwFileAttributes)) remove_below(child);
    RemoveDirectoryW(child.get());
  } while (FindNextFileW(search, &found));
  FindClose(search);
}

}  // namespace

bool make_private_temp_dir(char* out, size_t capacity) {
  wchar_t base[kWideCapacity];
  const DWORD n = GetTempPathW(kWideCapacity, base);
  char base_text[kPathCapacity];
  if (n == 0 || n >= kWideCapacity || !to_utf8(base, base_text, sizeof base_text)) return false;
  // A name nobody can guess; CreateDirectoryW fails when the name exists, so
  // the folder made is always this process's own, with the user's default
  // (private) security of the temporary directory.
  for (int attempt = 0; attempt < 16; ++attempt) {
    unsigned random[2];
    if (rand_s(&random[0]) != 0 || rand_s(&random[1]) != 0) return false;
    format_text(out, capacity, "%ssfx-%08x%08x", base_text, random[0], random[1]);
    if (CreateDirectoryW(WideText(out).get(), nullptr)) return true;
    if (GetLastError() != ERROR_ALREADY_EXISTS) return false;
  }
  return false;
}

void remove_tree(const char* path) {
  WideText dir(path);
  remove_below(dir);
  RemoveDirectoryW(dir.get());
}

}  // namespace platform
