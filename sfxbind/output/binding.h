// The stub in front of the archive: padded to a 4-byte boundary, where the
// self-extractor's walk expects the first local header.
#pragma once
#include <cstdint>
#include <optional>
#include <span>

#include "sfxbind/byte_fields.h"
#include "sfxbind/checks/findings.h"

namespace sfxbind {

// A Windows program begins with "MZ"; anything else is taken for a Linux one.
StubKind stub_kind(std::span<const uint8_t> stub);

// The first 4-byte aligned position of the padded stub holding one of the
// three record signatures the self-extractor's walk recognises.
std::optional<uint64_t> aligned_record_signature(const Bytes& padded_stub);

// The stub followed by zero bytes up to a multiple of 4. Throws BindError for
// an empty stub or one with an aligned record signature.
Bytes padded_stub(std::span<const uint8_t> stub);

}  // namespace sfxbind
