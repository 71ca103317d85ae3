#include "archive/entry_name.h"

#include <cstring>

#include "base/text.h"
#include "platform/files.h"
#include "platform/paths.h"

namespace {

bool same_letters(const char* a, const char* b, size_t n) {
  for (size_t i = 0; i < n; ++i)
    if (ascii_upper(a[i]) != b[i]) return false;
  return true;
}

// A component Windows cannot hold as an ordinary file name.
bool unusable_on_windows(const char* component, size_t length) {
  return std::memchr(component, ':', length) || is_reserved_device_name(component, length);
}

}  // namespace

bool is_reserved_device_name(const char* component, size_t length) {
  size_t stem = 0;
  while (stem < length && component[stem] != '.') ++stem;
  while (stem > 0 && component[stem - 1] == ' ') --stem;
  if (stem == 3) {
    static const char* const kNames[] = {"CON", "PRN", "AUX", "NUL"};
    for (const char* name : kNames)
      if (same_letters(component, name, 3)) return true;
  }
  if (stem == 4 && component[3] >= '1' && component[3] <= '9')
    return same_letters(component, "COM", 3) || same_letters(component, "LPT", 3);
  return false;
}

void confine_entry_name(const char* raw, size_t length, EntryName& out) {
  out.unusable = length >= kPathCapacity;
  if (length >= kPathCapacity) length = kPathCapacity - 1;
  if (length >= 2 && raw[1] == ':') {  // a drive letter never leads outside the target
    raw += 2;
    length -= 2;
  }
  bool directory = length > 0 && platform::is_separator(raw[length - 1]);

  size_t written = 0;
  size_t i = 0;
  while (i < length) {
    size_t start = i;
    while (i < length && !platform::is_separator(raw[i])) ++i;
    size_t n = i - start;
    if (i < length) ++i;  // the separator
    const char* component = raw + start;
    bool dots_only =
        (n == 1 && component[0] == '.') || (n == 2 && component[0] == '.' && component[1] == '.');
    if (n == 0 || dots_only) continue;
    if (platform::kHasDrives && unusable_on_windows(component, n)) out.unusable = true;
    if (written > 0) out.full_name[written++] = platform::kSeparator;
    std::memcpy(out.full_name + written, component, n);
    written += n;
  }
  if (directory && written > 0) out.full_name[written++] = platform::kSeparator;
  out.full_name[written] = '\0';
  if (written == 0 && !directory) out.unusable = true;
  split_path(out.full_name, out.drive, out.dir, out.base_name, out.ext);
}
