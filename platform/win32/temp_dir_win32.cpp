#include <windows.h>

#include "base/text.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/temp_dir.h"
#include "platform/win32/wide_text.h"

namespace platform {

namespace {

// Removes what `dir` (kWideCapacity units, the folder's path) holds; the
// path is extended in place for each level and put back.
void remove_below(wchar_t* dir) {
  const int length = lstrlenW(dir);
  if (length + MAX_PATH + 2 >= kWideCapacity) return;
  lstrcpyW(dir + length, L"\\*");
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW(dir, &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const wchar_t* name = found.cFileName;
      if (name[0] == L'.' && (name[1] == L'\0' || (name[1] == L'.' && name[2] == L'\0'))) continue;
      lstrcpyW(dir + length + 1, name);
      SetFileAttributesW(dir, FILE_ATTRIBUTE_NORMAL);
      if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        DeleteFileW(dir);
        continue;
      }
      // A junction is removed as the link it is, never entered.
      if (!(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) remove_below(dir);
      RemoveDirectoryW(dir);
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }
  dir[length] = L'\0';
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
    const uint32_t tag[2] = {random_word(), random_word()};
    fresh_path(base_text, tag, out, capacity);
    if (CreateDirectoryW(WideText(out).get(), nullptr)) return true;
    if (GetLastError() != ERROR_ALREADY_EXISTS) return false;
  }
  return false;
}

void remove_tree(const char* path) {
  WideText dir(path);
  // A process that has just ended may still hold the folder for a moment
  // (its console host among them): a few more tries, two seconds at most.
  for (int attempt = 0; attempt < 20; ++attempt) {
    remove_below(dir.data());
    if (RemoveDirectoryW(dir.get()) || GetLastError() == ERROR_FILE_NOT_FOUND) return;
    Sleep(100);
  }
}

}  // namespace platform
