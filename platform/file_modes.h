// Unix permissions an entry carries, where the system has them.
#pragma once
#include <cstdint>

namespace platform {

#ifdef _WIN32
inline constexpr bool kHasExecuteBits = false;
#else
inline constexpr bool kHasExecuteBits = true;
#endif

// Gives the regular file at `path` (never through a link) the execute bits
// of `mode` for each class that may read it. Nothing else changes: no
// set-user-ID or set-group-ID bit is ever set.
void add_execute_bits(const char* path, uint32_t mode);

}  // namespace platform
