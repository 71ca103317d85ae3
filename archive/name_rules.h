// Which decoded entry names are not written anywhere: the extraction asks
// " Unable To Extract The Above Component Continue? " and skips the entry.
// One rule set for the stub and for the binding tool, which judges names for
// a Windows stub while it runs on Linux.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string_view>

enum class NameSystem : uint8_t { kWindows, kLinux };
#ifdef _WIN32
inline constexpr NameSystem kThisSystem = NameSystem::kWindows;
#else
inline constexpr NameSystem kThisSystem = NameSystem::kLinux;
#endif

enum class NameProblem : uint8_t {
  kNone,
  kNothingLeft,  // no level is left inside the target directory
  kZeroByte,
  kControlCharacter,  // 0x01-0x1F or 0x7F
  kInvalidUtf8,
  kReservedCharacter,   // Windows: a colon or one of < > " | ? *
  kTrailingDotOrBlank,  // Windows drops them and would write another name
  kDeviceName,          // Windows: CON, NUL, COM1, CONIN$ ..., also with an extension
  kLevelTooLong,        // over 255 UTF-16 units on Windows, over 255 bytes on Linux
  kPathTooLong,         // together with the target directory
};

// `name` is decoded and confined: levels separated by '/' or '\\', no drive,
// no "." or ".." level. `target_length` counts the target directory with its
// trailing separator: UTF-16 units on Windows, bytes on Linux. `level`, where
// given, receives the level at fault (nothing for a problem of the whole path).
NameProblem judge_entry_name(std::string_view name, NameSystem system, size_t target_length,
                             std::string_view* level = nullptr);
// The same for one system, compiled for it: the stub's own rules.
template <NameSystem system>
NameProblem judge_entry_name(std::string_view name, size_t target_length, std::string_view* level = nullptr);

// Why, in a few words, for the binding tool's findings: said of the level at
// fault where there is one ("\"CON\" is a Windows device name").
const char* name_problem_reason(NameProblem problem);

// Windows reserves these names in every directory (CON, NUL, COM1, CONIN$
// ...), with or without an extension and in any case.
bool is_device_name(std::string_view level);
