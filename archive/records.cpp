#include "archive/records.h"

#include <cstring>

#include "platform/files.h"

EntryName entry_name;

bool is_directory_entry() {
  size_t n = std::strlen(entry_name.full_name);
  return n > 0 && entry_name.full_name[n - 1] == platform::kSeparator;
}

const char* method_name(uint16_t method) {
  static const char* const names[] = {"stored",  "shrunk",  "reduce1",  "reduce2",  "reduce3",
                                      "reduce4", "imploded", "tokenized", "deflatX"};
  return method < 9 ? names[method] : "unknown";
}

const char* decoder_name(uint16_t method) {
  static const char* const names[] = {"copy",   "unshrink", "expand", "expand", "expand",
                                      "expand", "explod",   "",       "inflatX"};
  return method < 9 ? names[method] : "unknown";
}
