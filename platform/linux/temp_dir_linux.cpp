#include <ftw.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/text.h"
#include "platform/temp_dir.h"

namespace platform {

bool make_private_temp_dir(char* out, size_t capacity) {
  const char* base = std::getenv("TMPDIR");
  if (!base || base[0] != '/') base = "/tmp";
  // mkdtemp makes a folder of a new name, mode 0700, or fails.
  if (std::strlen(base) + sizeof "/sfx-XXXXXX" > capacity) return false;
  format_text(out, capacity, "%s/sfx-XXXXXX", base);
  return ::mkdtemp(out) != nullptr;
}

bool remove_tree(const char* path, char* held, size_t) {
  held[0] = '\0';
  auto remove = [](const char* name, const struct stat*, int, struct FTW*) {
    std::remove(name);
    return 0;
  };
  ::nftw(path, remove, 16, FTW_DEPTH | FTW_PHYS);
  return true;
}

}  // namespace platform
