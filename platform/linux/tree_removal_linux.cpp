// Removing a folder and everything below it with system calls alone, so that
// a signal handler may do it too: no allocation, no stdio, one open
// directory at a time. Folders are made writable before they are emptied and
// entered only through descriptors opened without following links; each
// level's ".." must be the folder the walk came from.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <cstring>

#include "platform/temp_dir.h"

namespace platform {

namespace {

// Levels the walk may stand in: PATH_MAX allows at most this many below the
// top, a name and a separator each. Deeper folders stay.
constexpr int kDepthLimit = 2048;

struct FolderId {
  dev_t device;
  ino_t inode;
};

FolderId levels[kDepthLimit + 1];  // of the folders the walk stands in, the top first

enum class Scan { kEmpty, kStuck, kEnter };

bool is_dot_or_dot_dot(const char* name) {
  return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

// A folder below `dir` opened for the walk, made writable first when it
// cannot be opened, and writable itself: -1 when it is none or stays shut.
int open_folder(int dir, const char* name) {
  constexpr int kFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
  int fd = ::openat(dir, name, kFlags);
  if (fd < 0 && ::fchmodat(dir, name, S_IRWXU, AT_SYMLINK_NOFOLLOW) == 0) fd = ::openat(dir, name, kFlags);
  if (fd >= 0) ::fchmod(fd, S_IRWXU);
  return fd;
}

// One pass over `dir`: removes files, links and empty folders; stops at the
// first folder that is not empty and leaves it open in `sub` (kEnter).
Scan scan(int dir, int& sub, bool& removed) {
  alignas(dirent64) char buffer[4096];
  bool stuck = false;
  ::lseek(dir, 0, SEEK_SET);
  for (;;) {
    const ssize_t n = ::getdents64(dir, buffer, sizeof buffer);
    if (n <= 0) return n == 0 && !stuck ? Scan::kEmpty : Scan::kStuck;
    for (ssize_t at = 0; at < n;) {
      const auto* entry = reinterpret_cast<const dirent64*>(buffer + at);
      at += entry->d_reclen;
      const char* name = entry->d_name;
      if (is_dot_or_dot_dot(name)) continue;
      if (::unlinkat(dir, name, 0) == 0 || ::unlinkat(dir, name, AT_REMOVEDIR) == 0) {
        removed = true;
        continue;
      }
      sub = open_folder(dir, name);
      if (sub >= 0) return Scan::kEnter;
      stuck = true;
    }
  }
}

bool same_folder(int fd, const FolderId& id) {
  struct stat st;
  return ::fstat(fd, &st) == 0 && st.st_dev == id.device && st.st_ino == id.inode;
}

bool remember(int fd, FolderId& id) {
  struct stat st;
  if (::fstat(fd, &st) != 0) return false;
  id = {st.st_dev, st.st_ino};
  return true;
}

}  // namespace

bool remove_tree(const char* path, char* held, size_t) {
  if (held) held[0] = '\0';
  int dir = open_folder(AT_FDCWD, path);
  if (dir < 0 || !remember(dir, levels[0])) return true;
  int depth = 0;
  for (;;) {
    int sub = -1;
    bool removed = false;
    Scan result = scan(dir, sub, removed);
    if (result == Scan::kEnter) {
      if (depth < kDepthLimit && remember(sub, levels[depth + 1])) {
        ::close(dir);
        dir = sub;
        ++depth;
        continue;
      }
      ::close(sub);
      result = Scan::kStuck;
    }
    if (removed) continue;  // entries may move while a folder shrinks: look again
    if (result == Scan::kStuck || depth == 0) break;
    // Emptied: back to the folder above, where the next pass removes it.
    const int parent = ::openat(dir, "..", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ::close(dir);
    dir = parent;
    --depth;
    if (dir < 0 || !same_folder(dir, levels[depth])) break;
  }
  if (dir >= 0) ::close(dir);
  ::rmdir(path);
  return true;
}

}  // namespace platform
