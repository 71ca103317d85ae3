#include "archive/entry_name.h"

#include <cstring>

#include "archive/name_decoding.h"
#include "platform/files.h"
#include "platform/paths.h"

namespace {

// Zero bytes only ever stand in names that are shown, never written: they
// show as U+FFFD, where the text would otherwise end.
void show_zero_bytes(char* name, size_t length, size_t capacity) {
  for (size_t i = 0; i < length && length + 2 < capacity; ++i) {
    if (name[i] != '\0') continue;
    std::memmove(name + i + 3, name + i + 1, length - i - 1);
    std::memcpy(name + i, "\xEF\xBF\xBD", 3);
    length += 2;
  }
  name[length] = '\0';
}

}  // namespace

size_t target_length(const char* target_dir) {
  // The system's own paths are well-formed UTF-8: on Windows every lead byte
  // is a UTF-16 unit, and a four-byte one a second.
  size_t length = 0;
  const char* p = target_dir;
  for (; *p; ++p) {
    auto c = static_cast<uint8_t>(*p);
    length += kThisSystem == NameSystem::kLinux ? 1 : ((c & 0xC0) != 0x80) + (c >= 0xF0);
  }
  return p > target_dir && platform::is_separator(p[-1]) ? length : length + 1;
}

void confine_entry_name(std::string_view stored, uint16_t flags, std::string_view extra, size_t target_length,
                        EntryName& out) {
  char decoded[kNameCapacity];
  DecodedName name = decode_entry_name(stored, flags, extra, decoded, sizeof decoded);
  const char* p = decoded;
  const char* end = decoded + name.length;
  if (end - p >= 2 && p[1] == ':') p += 2;  // a drive letter never leads outside the target
  bool directory = p < end && platform::is_separator(end[-1]);

  // Level by level: no empty, "." or ".." level; one separator between levels.
  char* full = out.full_name;
  size_t written = 0;
  bool fits = !name.cut;
  while (p < end) {
    const char* level = p;
    while (p < end && !platform::is_separator(*p)) ++p;
    size_t n = static_cast<size_t>(p - level);
    if (p < end) ++p;
    if (n == 0 || (n <= 2 && level[0] == '.' && level[n - 1] == '.')) continue;
    if (written + n + 2 > sizeof out.full_name) fits = false;
    if (!fits) break;
    if (written > 0) full[written++] = platform::kSeparator;
    std::memcpy(full + written, level, n);
    written += n;
  }
  if (directory && written > 0 && fits) full[written++] = platform::kSeparator;
  out.problem = fits ? judge_entry_name(std::string_view(full, written), kThisSystem, target_length).problem
                     : NameProblem::kPathTooLong;
  out.unusable = out.problem != NameProblem::kNone;
  show_zero_bytes(full, written, sizeof out.full_name);
  split_path(full, out.drive, out.dir, out.base_name, out.ext);
}
