// The letter "o with stroke" that marks encrypted entries, in the platform's
// text encoding: code page 1252 on Windows, UTF-8 on Linux.
#pragma once

namespace platform {
#ifdef _WIN32
inline constexpr const char* kEncryptedMark = "\xF8";
#else
inline constexpr const char* kEncryptedMark = "\xC3\xB8";
#endif
}  // namespace platform
