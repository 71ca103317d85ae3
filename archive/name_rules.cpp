#include "archive/name_rules.h"

#include "base/utf8.h"

namespace {

// MAX_PATH less the terminating zero; directories also leave room for an 8.3
// name, as CreateDirectory demands.
constexpr size_t kWindowsPathUnits = 259;
constexpr size_t kWindowsDirUnits = 247;
constexpr size_t kLinuxPathBytes = 4095;  // PATH_MAX less the terminating zero
constexpr size_t kLevelLimit = 255;       // UTF-16 units on Windows, bytes (NAME_MAX) on Linux

bool is_separator(char c) { return c == '/' || c == '\\'; }

bool same_letters(std::string_view text, std::string_view upper) {
  if (text.size() != upper.size()) return false;
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i] >= 'a' && text[i] <= 'z' ? static_cast<char>(text[i] - 'a' + 'A') : text[i];
    if (c != upper[i]) return false;
  }
  return true;
}

size_t length_on(NameSystem system, std::string_view text) {
  return system == NameSystem::kWindows ? utf16_units(text) : text.size();
}

NameProblem character_problem(std::string_view level, NameSystem system) {
  const bool windows = system == NameSystem::kWindows;
  while (!level.empty()) {
    auto c = static_cast<uint8_t>(level[0]);
    if (c == 0) return NameProblem::kZeroByte;
    if (c < 0x20 || c == 0x7F) return NameProblem::kControlCharacter;
    size_t n = utf8_sequence_length(level);
    if (n == 0) return NameProblem::kInvalidUtf8;
    if (windows && n == 1 && std::string_view(":<>\"|?*").find(level[0]) != std::string_view::npos)
      return NameProblem::kReservedCharacter;
    level.remove_prefix(n);
  }
  return NameProblem::kNone;
}

NameProblem level_problem(std::string_view level, NameSystem system) {
  NameProblem problem = character_problem(level, system);
  if (problem != NameProblem::kNone) return problem;
  if (system == NameSystem::kWindows) {
    if (level.back() == '.' || level.back() == ' ') return NameProblem::kTrailingDotOrBlank;
    if (is_device_name(level)) return NameProblem::kDeviceName;
  }
  return length_on(system, level) > kLevelLimit ? NameProblem::kLevelTooLong : NameProblem::kNone;
}

bool path_too_long(std::string_view name, NameSystem system, size_t target_length) {
  if (system == NameSystem::kLinux) return target_length + name.size() > kLinuxPathBytes;
  // The directories the entry needs: the whole name of a directory entry,
  // everything before the last level of a file.
  size_t end = name.size();
  bool directory = end > 0 && is_separator(name[end - 1]);
  while (end > 0 && is_separator(name[end - 1])) --end;
  if (!directory) {
    while (end > 0 && !is_separator(name[end - 1])) --end;
    while (end > 0 && is_separator(name[end - 1])) --end;
  }
  std::string_view dirs(name.data(), end);
  return target_length + utf16_units(name) > kWindowsPathUnits ||
         (!dirs.empty() && target_length + utf16_units(dirs) > kWindowsDirUnits);
}

}  // namespace

bool is_device_name(std::string_view level) {
  size_t stem = level.find('.');
  if (stem == std::string_view::npos) stem = level.size();
  while (stem > 0 && level[stem - 1] == ' ') --stem;
  std::string_view name(level.data(), stem);
  static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$", "CLOCK$"};
  for (const char* device : kDevices)
    if (same_letters(name, device)) return true;
  if (name.size() < 4) return false;
  std::string_view port(name.data(), 3), number(name.data() + 3, name.size() - 3);
  if (!same_letters(port, "COM") && !same_letters(port, "LPT")) return false;
  // A digit, or a superscript one, two or three.
  static const char* const kNumbers[] = {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9",
                                         "\xC2\xB9", "\xC2\xB2", "\xC2\xB3"};
  for (const char* n : kNumbers)
    if (number == n) return true;
  return false;
}

NameVerdict judge_entry_name(std::string_view name, NameSystem system, size_t target_length) {
  bool any_level = false;
  size_t i = 0;
  while (i < name.size()) {
    size_t start = i;
    while (i < name.size() && !is_separator(name[i])) ++i;
    std::string_view level(name.data() + start, i - start);
    if (i < name.size()) ++i;  // the separator
    if (level.empty()) continue;
    any_level = true;
    NameProblem problem = level_problem(level, system);
    if (problem != NameProblem::kNone) return {problem, level};
  }
  if (!any_level) return {NameProblem::kNothingLeft, {}};
  if (path_too_long(name, system, target_length)) return {NameProblem::kPathTooLong, {}};
  return {};
}
