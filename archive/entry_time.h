// An entry's exact modification time, where its local header's extra field
// stores one: the NTFS field's (tag 1) or the extended timestamp's. Without
// one the file gets its DOS date and time, read as local time.
#pragma once
#include <cstdint>
#include <string_view>

// The time in 100-ns steps since 1601-01-01 UTC (a FILETIME); 0 when the
// field has none, or none that holds together (a block too short for what
// it announces, a time a FILETIME cannot carry).
uint64_t exact_entry_time(std::string_view extra);
