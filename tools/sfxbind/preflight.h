// Names every entry the self-extractor would not extract as the user
// expects, and why, before anything is written.
#pragma once
#include "tools/sfxbind/findings.h"
#include "tools/sfxbind/zip_layout.h"

namespace sfxbind {

Findings preflight(const Bytes& archive, const ZipLayout& layout, StubKind stub);

}  // namespace sfxbind
