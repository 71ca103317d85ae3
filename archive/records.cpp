#include "archive/records.h"

#include <cstring>

#include "platform/files.h"

bool is_directory_entry(const EntryName& name) {
  size_t n = std::strlen(name.full_name);
  return n > 0 && name.full_name[n - 1] == platform::kSeparator;
}
