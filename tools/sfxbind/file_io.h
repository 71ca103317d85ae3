// Whole-file reading, and writing that never leaves a half-written output.
#pragma once
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>

#include "tools/sfxbind/byte_fields.h"

namespace sfxbind {

// Throws BindError "cannot read PATH: why".
Bytes read_whole_file(const std::string& path);

// Writes the parts one after another to a temporary file in the output's
// directory and renames it over `path`; on any failure the temporary file is
// removed and BindError "cannot write PATH: why" is thrown. `executable`
// adds the execute bits wherever the read bits are set.
void write_atomically(const std::string& path, std::initializer_list<std::span<const uint8_t>> parts,
                      bool executable);

}  // namespace sfxbind
