// The self-extractor's handling of stored names: confined below the target,
// refused when the target system cannot hold them, cut in its text lines.
#pragma once
#include <string>
#include <string_view>

#include "tools/sfxbind/findings.h"

namespace sfxbind {

// `raw` is the name as the local header stores it; findings name `entry`.
void check_entry_name(std::string_view raw, StubKind stub, const std::string& entry, Findings& out);

}  // namespace sfxbind
