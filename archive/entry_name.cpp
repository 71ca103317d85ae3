#include "archive/entry_name.h"

#include <cstring>

#include "archive/name_decoding.h"
#include "platform/files.h"

size_t target_length(const char* target_dir) {
  // The system's own paths are well-formed UTF-8: on Windows every lead byte
  // is a UTF-16 unit, and a four-byte one a second. One more for the
  // separator after the target (counted even where it has one, at a root).
  size_t length = 1;
  for (const char* p = target_dir; *p; ++p) {
    auto c = static_cast<uint8_t>(*p);
    length += kThisSystem == NameSystem::kLinux ? 1 : ((c & 0xC0) != 0x80) + (c >= 0xF0);
  }
  return length;
}

void confine_entry_name(std::string_view stored, uint16_t flags, std::string_view extra, size_t target_length,
                        EntryName& out) {
  // Decoded into the name itself and confined in place: the confined name is
  // never longer than the decoded one.
  char* full = out.full_name;
  DecodedName name = decode_entry_name(stored, flags, extra, full, sizeof out.full_name - 1);
  const char* p = full;
  const char* end = full + name.length;
  if (end - p >= 2 && p[1] == ':') p += 2;  // a drive letter never leads outside the target
  bool directory = p < end && platform::is_separator(end[-1]);

  // Level by level: no empty, "." or ".." level; one separator between levels.
  size_t written = 0;
  while (p < end) {
    const char* level = p;
    while (p < end && !platform::is_separator(*p)) ++p;
    size_t n = static_cast<size_t>(p - level);
    if (p < end) ++p;
    if (n == 0 || (n <= 2 && level[0] == '.' && level[n - 1] == '.')) continue;
    if (written > 0) full[written++] = platform::kSeparator;
    std::memmove(full + written, level, n);
    written += n;
  }
  if (directory && written > 0) full[written++] = platform::kSeparator;
  // A name cut to fit was too long for any path.
  // A directory with nothing left names the target itself: usable.
  out.problem = name.cut ? NameProblem::kPathTooLong
                : written == 0 && directory
                    ? NameProblem::kNone
                    : judge_entry_name<kThisSystem>(std::string_view(full, written), target_length);
  out.unusable = out.problem != NameProblem::kNone;
  // Zero bytes stand only in names that are shown, never written: there a
  // '?' marks them, where the text would otherwise end.
  for (size_t i = 0; i < written; ++i)
    if (full[i] == '\0') full[i] = '?';
  full[written] = '\0';
}
