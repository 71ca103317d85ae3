// Entry names stored without the UTF-8 flag are in an OEM code page, as the
// ZIP convention has it: the system's own on Windows, 437 on Linux.
#pragma once
#include <cstddef>
#include <string_view>

namespace platform {

// Writes the UTF-8 form of `raw` to `out` (no terminating zero) and returns
// its length. A character that does not fit ends the text and sets `cut`.
size_t oem_to_utf8(std::string_view raw, char* out, size_t capacity, bool& cut);

}  // namespace platform
