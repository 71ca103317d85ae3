#include <ftw.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "base/text.h"
#include "platform/temp_dir.h"

namespace platform {

bool make_private_temp_dir(char* out, size_t capacity) {
  const char* base = std::getenv("TMPDIR");
  if (!base || base[0] != '/') base = "/tmp";
  // mkdtemp makes a folder of a new name, mode 0700, or fails.
  format_text(out, capacity, "%s/sfx-XXXXXX", base);
  return ::mkdtemp(out) != nullptr;
}

void remove_tree(const char* path) {
  auto remove = [](const char* name, const struct stat*, int, struct FTW*) {
    std::remove(name);
    return 0;
  };
  ::nftw(path, remove, 16, FTW_DEPTH | FTW_PHYS);
}

}  // namespace platform
