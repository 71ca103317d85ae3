// The extra field of a ZIP header: blocks of a 16-bit id, a 16-bit length and
// that many bytes. One walker finds a block for every reader of one.
#pragma once
#include <cstdint>
#include <string_view>

// The data of the first block with `id`; empty (null) when there is none, or
// the blocks run past the field's end before one is found. NTFS time
// attributes are laid out the same way and found by it too.
std::string_view find_extra_block(std::string_view extra, uint16_t id);
