// Why the binder refuses an archive for what it is rather than for what the
// stub would do with it: each text begins the finding (details follow it)
// and is what --help lists.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>

namespace sfxbind::integrity {

inline constexpr const char* kCrc = "its data does not match its CRC-32";
inline constexpr const char* kSize = "its data does not match its size";
inline constexpr const char* kDecode = "its data does not decode";
inline constexpr const char* kDisagree = "its local header and the central directory disagree";
inline constexpr const char* kMalformedExtra = "its extra field is malformed";
inline constexpr const char* kZip64Short = "its ZIP64 field does not hold what its header defers to it";

inline constexpr const char* kRepeatedExtra = "its extra field holds two records of one kind";

inline constexpr const char* kAll[] = {kCrc,        kSize,         kDecode, kDisagree, kMalformedExtra,
                                       kZip64Short, kRepeatedExtra};

// What the user can do about any of them.
inline constexpr const char* kRepair = ": repair or re-create the archive";

// A field's value in upper-case hexadecimal, `digits` wide.
inline std::string hex(uint32_t value, int digits) {
  char text[9];
  std::snprintf(text, sizeof text, "%0*X", digits, static_cast<unsigned>(value));
  return text;
}

}  // namespace sfxbind::integrity
