#include "archive/entry_name.h"

#include <cstring>

#include "archive/name_decoding.h"
#include "base/utf8.h"
#include "platform/files.h"
#include "platform/paths.h"

namespace {

// Appends `level` to the name, or returns false when it does not fit.
bool put_level(EntryName& out, size_t& written, std::string_view level) {
  size_t separator = written > 0 ? 1 : 0;
  if (written + separator + level.size() >= sizeof out.full_name) return false;
  if (separator) out.full_name[written++] = platform::kSeparator;
  std::memcpy(out.full_name + written, level.data(), level.size());
  written += level.size();
  return true;
}

// Zero bytes only ever stand in names that are shown, never written: they
// show as U+FFFD, where the text would otherwise end.
void show_zero_bytes(char* name, size_t length, size_t capacity) {
  static const char kReplacement[] = "\xEF\xBF\xBD";
  for (size_t i = 0; i < length && length + 2 < capacity; ++i) {
    if (name[i] != '\0') continue;
    std::memmove(name + i + 3, name + i + 1, length - i - 1);
    std::memcpy(name + i, kReplacement, 3);
    length += 2;
  }
  name[length] = '\0';
}

}  // namespace

size_t target_length(const char* target_dir) {
  size_t n = std::strlen(target_dir);
  size_t units = kThisSystem == NameSystem::kWindows ? utf16_units(std::string_view(target_dir, n)) : n;
  return n > 0 && platform::is_separator(target_dir[n - 1]) ? units : units + 1;
}

void confine_entry_name(std::string_view stored, uint16_t flags, std::string_view extra, size_t target_length,
                        EntryName& out) {
  char decoded[kNameCapacity];
  DecodedName name = decode_entry_name(stored, flags, extra, decoded, sizeof decoded);
  std::string_view rest(decoded, name.length);
  if (rest.size() >= 2 && rest[1] == ':') rest.remove_prefix(2);  // a drive letter never leads outside the target
  bool directory = !rest.empty() && platform::is_separator(rest.back());

  size_t written = 0;
  bool fits = !name.cut;
  while (!rest.empty() && fits) {
    size_t n = 0;
    while (n < rest.size() && !platform::is_separator(rest[n])) ++n;
    std::string_view level(rest.data(), n);
    rest.remove_prefix(n < rest.size() ? n + 1 : n);
    if (level.empty() || level == "." || level == "..") continue;
    fits = put_level(out, written, level);
  }
  if (directory && written > 0 && fits) fits = put_level(out, written, "");
  out.problem = fits ? judge_entry_name(std::string_view(out.full_name, written), kThisSystem, target_length).problem
                     : NameProblem::kPathTooLong;
  out.unusable = out.problem != NameProblem::kNone;
  show_zero_bytes(out.full_name, written, sizeof out.full_name);
  split_path(out.full_name, out.drive, out.dir, out.base_name, out.ext);
}
