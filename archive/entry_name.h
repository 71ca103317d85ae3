// Turns a stored entry name into a path below the target directory: the
// platform's separator, no drive, no root, no "." or ".." levels.
#pragma once
#include <cstddef>

#include "archive/records.h"

// `raw` holds `length` bytes, not terminated. Fills every field of `out`.
void confine_entry_name(const char* raw, size_t length, EntryName& out);

// Windows reserves these names in every directory (CON, NUL, COM1 ...),
// with or without an extension.
bool is_reserved_device_name(const char* component, size_t length);
