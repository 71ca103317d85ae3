// Turns a stored entry name into a path below the target directory: decoded
// to UTF-8, the platform's separator, no drive, no root, no "." or ".."
// levels, and judged by the name rules.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "archive/records.h"

// `stored` and `extra` are the local header's name and extra field, `flags`
// its general-purpose flags. Fills every field of `out`.
void confine_entry_name(std::string_view stored, uint16_t flags, std::string_view extra, size_t target_length,
                        EntryName& out);

// The length the name rules count for `target_dir` and one separator after it.
size_t target_length(const char* target_dir);
