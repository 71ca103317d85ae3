// Re-encodes an entry whose method the self-extractor cannot decode: its
// data decoded by its library (library_decoder.h), checked against the
// CRC-32 and size of its central header, and written with the bind's method
// (stored where that is not smaller).
#pragma once
#include <optional>
#include <string>

#include "sfxbind/cli/progress.h"
#include "sfxbind/codecs/entry_encoder.h"
#include "sfxbind/input/byte_source.h"
#include "sfxbind/input/zip_layout.h"

namespace sfxbind {

// Writes the entry's data (`c.compressed_size` bytes at `data_at` in `in`)
// re-encoded into `out`, sets `written` to what it became. Returns why the
// data fails its check, or nothing; on a failure what it wrote is to be
// written over. `progress`, when given, counts the compressed data read.
std::optional<std::string> recompress_entry(const ByteSource& in, uint64_t data_at, const CentralEntry& c,
                                            EntryEncoder* encoder, AtomicOutput& out, Encoded& written,
                                            Progress* progress);

}  // namespace sfxbind
