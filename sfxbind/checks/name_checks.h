// The self-extractor's handling of stored names: confined below the target,
// refused when the target system cannot hold them, cut in its text lines.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "archive/run_state.h"
#include "sfxbind/checks/findings.h"

namespace sfxbind {

// The line buffer holds the name with " %s " while extracting, and after
// 53 characters of sizes in the listing: longer names are cut there.
inline constexpr size_t kProgressLineLimit = kLineCapacity - 1 - 2;
inline constexpr size_t kListingLineLimit = kLineCapacity - 1 - 53;

// `raw` is the name as the local header stores it, with the header's `flags`
// and `extra` field (which may hold the name in UTF-8); findings name `entry`.
void check_entry_name(std::string_view raw, StubKind stub, const std::string& entry, Findings& out,
                      uint16_t flags = 0, std::string_view extra = {});

}  // namespace sfxbind
