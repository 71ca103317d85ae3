// Puts an archive behind a stub: the stub padded to a 4-byte boundary, where
// the self-extractor's walk expects the first local header, and the archive's
// offsets moved on so ordinary ZIP tools still read the whole file as a ZIP.
#pragma once
#include <cstdint>
#include <optional>
#include <span>

#include "tools/sfxbind/findings.h"
#include "tools/sfxbind/zip_layout.h"

namespace sfxbind {

// A Windows program begins with "MZ"; anything else is taken for a Linux one.
StubKind stub_kind(std::span<const uint8_t> stub);

// The first 4-byte aligned position of the padded stub holding one of the
// three record signatures the self-extractor's walk recognises.
std::optional<uint64_t> aligned_record_signature(const Bytes& padded_stub);

// The stub followed by zero bytes up to a multiple of 4. Throws BindError for
// an empty stub or one with an aligned record signature.
Bytes padded_stub(std::span<const uint8_t> stub);

// Adds `prefix` to every offset the archive stores: each central header's
// local header offset, the end record's central directory offset, and the
// ZIP64 end record's and locator's offsets. Throws BindError when an offset
// would pass what its field holds.
void shift_offsets(Bytes& archive, const ZipLayout& layout, uint64_t prefix);

}  // namespace sfxbind
