#include "archive/name_rules.h"

#include "base/text.h"
#include "base/utf8.h"
#include "platform/files.h"

namespace {

// The stub writes through "\\?\" paths, which Windows takes up to 32,767
// units long: less the room for the prefix a network path gets
// ("\\?\UNC\server\..." for "\\server\...") and the terminating zero.
constexpr size_t kWindowsPathUnits = 32760;
constexpr size_t kLinuxPathBytes = 4095;  // PATH_MAX less the terminating zero
constexpr size_t kLevelLimit = 255;       // UTF-16 units on Windows, bytes (NAME_MAX) on Linux

using platform::is_separator;

// The first `length` bytes of text equal those of `upper`, ASCII letters in any case.
bool same_letters(const char* text, const char* upper, size_t length) {
  for (size_t i = 0; i < length; ++i)
    if (ascii_upper(text[i]) != upper[i]) return false;
  return true;
}

// What is wrong with one level; its length in the system's units goes to `length`.
template <NameSystem system>
NameProblem level_problem(std::string_view level, size_t& length) {
  constexpr bool windows = system == NameSystem::kWindows;
  length = 0;
  for (size_t i = 0; i < level.size();) {
    auto c = static_cast<uint8_t>(level[i]);
    if (c == 0) return NameProblem::kZeroByte;
    if (c < 0x20 || c == 0x7F) return NameProblem::kControlCharacter;
    size_t n = utf8_sequence_length(std::string_view(level.data() + i, level.size() - i));
    if (n == 0) return NameProblem::kInvalidUtf8;
    if (windows)
      for (const char* reserved = ":<>\"|?*"; *reserved; ++reserved)
        if (c == static_cast<uint8_t>(*reserved)) return NameProblem::kReservedCharacter;
    length += !windows ? n : n == 4 ? 2 : 1;
    i += n;
  }
  if (windows && (level.back() == '.' || level.back() == ' ')) return NameProblem::kTrailingDotOrBlank;
  if (windows && is_device_name(level)) return NameProblem::kDeviceName;
  return length > kLevelLimit ? NameProblem::kLevelTooLong : NameProblem::kNone;
}

}  // namespace

bool is_device_name(std::string_view level) {
  size_t stem = 0;
  while (stem < level.size() && level[stem] != '.') ++stem;
  while (stem > 0 && level[stem - 1] == ' ') --stem;
  const char* p = level.data();
  // Each name after its length; a zero length ends the list.
  static const char kDevices[] = "\3CON\3PRN\3AUX\3NUL\6CONIN$\7CONOUT$\6CLOCK$";
  for (const char* device = kDevices; *device; device += *device + 1)
    if (static_cast<size_t>(*device) == stem && same_letters(p, device + 1, stem)) return true;
  if (stem < 4 || (!same_letters(p, "COM", 3) && !same_letters(p, "LPT", 3))) return false;
  // A digit, or a superscript one, two or three (U+00B9, U+00B2, U+00B3).
  if (stem == 4) return p[3] >= '0' && p[3] <= '9';
  return stem == 5 && p[3] == '\xC2' && (p[4] == '\xB9' || p[4] == '\xB2' || p[4] == '\xB3');
}

template <NameSystem system>
NameProblem judge_entry_name(std::string_view name, size_t target_length, std::string_view* at) {
  constexpr bool windows = system == NameSystem::kWindows;
  size_t length = target_length;  // of the path so far
  size_t start = 0;
  for (size_t i = 0; i <= name.size(); ++i) {
    if (i < name.size() && !is_separator(name[i])) continue;
    std::string_view level(name.data() + start, i - start);
    start = i + 1;
    if (level.empty()) continue;
    size_t level_length;
    NameProblem problem = level_problem<system>(level, level_length);
    if (problem != NameProblem::kNone) {
      if (at) *at = level;
      return problem;
    }
    if (length > target_length) ++length;  // the separator before it
    length += level_length;
  }
  if (length == target_length) return NameProblem::kNothingLeft;
  if (length > (windows ? kWindowsPathUnits : kLinuxPathBytes)) return NameProblem::kPathTooLong;
  return NameProblem::kNone;
}

template NameProblem judge_entry_name<NameSystem::kWindows>(std::string_view, size_t, std::string_view*);
template NameProblem judge_entry_name<NameSystem::kLinux>(std::string_view, size_t, std::string_view*);

NameProblem judge_entry_name(std::string_view name, NameSystem system, size_t target_length,
                             std::string_view* level) {
  return system == NameSystem::kWindows ? judge_entry_name<NameSystem::kWindows>(name, target_length, level)
                                        : judge_entry_name<NameSystem::kLinux>(name, target_length, level);
}
