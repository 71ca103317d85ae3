// The letter "o with stroke" that marks encrypted entries, in UTF-8 like
// every text inside the program.
#pragma once

namespace platform {
inline constexpr const char* kEncryptedMark = "\xC3\xB8";
}  // namespace platform
