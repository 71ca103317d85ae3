// Whether an entry's two headers tell one story: the local header (which the
// self-extractor reads) and the central directory entry (which every ZIP
// tool shows) agree on name, method, sizes, CRC-32 and flags, and the extra
// fields of both are well formed.
#pragma once
#include "sfxbind/checks/findings.h"
#include "sfxbind/input/zip_layout.h"

namespace sfxbind {

// `local` is the local header as stored (fixed part, name, extra field).
// Each disagreement is a refusal naming the entry.
void check_headers_agree(const CentralEntry& c, const Bytes& local, Findings& out);

}  // namespace sfxbind
