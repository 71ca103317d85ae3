// Whether an entry's data decodes to what its headers promise, checked while
// the data streams past on its way to the output: zlib for stored and
// deflated data, the stub's own decoders for every other method they decode.
#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>

#include "sfxbind/input/byte_source.h"
#include "sfxbind/input/zip_layout.h"

namespace sfxbind {

enum class DataCheck {
  kNone,         // encrypted without a password given, or a method the stub cannot decode
  kZlib,         // stored and deflated: CRC-32 and size
  kStubDecoder,  // through the stub's own decoder dispatch: CRC-32 and the exact compressed size,
                 // encrypted entries decrypted as the stub does it (authentication code too)
};

// `local`: the local header the stub will meet (fixed part, name, extra field).
DataCheck data_check_for(const Bytes& local);

// Why data fails its check, as the findings say it (integrity_reasons.h
// begins each).
std::string crc_mismatch(uint32_t want, uint32_t got);
std::string size_mismatch(uint64_t want, uint64_t got);
std::string does_not_decode(uint16_t method, const std::string& why);

using ChunkSink = std::function<void(std::span<const uint8_t>)>;

// Reads the entry's compressed data (`c.compressed_size` bytes at `data_at`)
// a chunk at a time, hands every chunk to `sink` (when given) and checks it
// against the central directory's CRC-32 and sizes. `local` is the local
// header the stub will meet. Returns why the data fails, or nothing. Throws
// BindError when the file ends inside the data.
std::optional<std::string> stream_entry_data(const ByteSource& in, uint64_t data_at, const CentralEntry& c,
                                             const Bytes& local, const ChunkSink& sink);

}  // namespace sfxbind
