#include <windows.h>

#include "base/text.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/temp_dir.h"
#include "platform/win32/wide_text.h"

namespace platform {

namespace {

// A removal's walk, one for every level so that the recursion's frames stay
// small at any depth: the entry found (read before each descent) and the
// path ("\\?\" form, extended in place level by level and put back).
struct TreeWalk {
  WIN32_FIND_DATAW found;
  char* held;  // a file left in this attempt ("" when none), or null
  size_t held_capacity;
  wchar_t path[kSystemPathUnits];
};

// Removes what the folder walk.path[0, length) holds.
void remove_below(TreeWalk& walk, int length) {
  // Deeper than this, no name can be added: the system makes nothing there.
  if (length + MAX_PATH + 2 >= static_cast<int>(kSystemPathUnits)) return;
  lstrcpyW(walk.path + length, L"\\*");
  HANDLE search = FindFirstFileW(walk.path, &walk.found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const wchar_t* name = walk.found.cFileName;
      if (name[0] == L'.' && (name[1] == L'\0' || (name[1] == L'.' && name[2] == L'\0'))) continue;
      lstrcpyW(walk.path + length + 1, name);
      const DWORD attributes = walk.found.dwFileAttributes;
      SetFileAttributesW(walk.path, FILE_ATTRIBUTE_NORMAL);
      if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        if (!DeleteFileW(walk.path) && walk.held)
          to_utf8(walk.path + 4, walk.held, walk.held_capacity);  // without "\\?\"
        continue;
      }
      // A junction is removed as the link it is, never entered.
      if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) remove_below(walk, lstrlenW(walk.path));
      RemoveDirectoryW(walk.path);
    } while (FindNextFileW(search, &walk.found));
    FindClose(search);
  }
  walk.path[length] = L'\0';
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
    if (create_dir(out)) return true;
    if (GetLastError() != ERROR_ALREADY_EXISTS) return false;
  }
  return false;
}

bool remove_tree(const char* path, char* held, size_t capacity) {
  TreeWalk walk;
  lstrcpyW(walk.path, SystemPath(path).get());
  if (walk.path[0] == L'\0') return true;  // never the current drive's root
  walk.held = held;
  walk.held_capacity = capacity;
  const int length = lstrlenW(walk.path);
  // A process that has just ended may still hold the folder for a moment
  // (its console host among them): a few more tries, two seconds at most.
  for (int attempt = 0; attempt < 20; ++attempt) {
    if (held) held[0] = '\0';
    remove_below(walk, length);
    if (RemoveDirectoryW(walk.path) || GetLastError() == ERROR_FILE_NOT_FOUND) return true;
    Sleep(100);
  }
  return !held || held[0] == '\0';
}

}  // namespace platform
