// The methods a bind writes file data with, and what their encoders share:
// data pulled a chunk at a time, written to the output, given up (for the
// caller to store) as soon as it would not be smaller than the data itself.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>

#include "sfxbind/files/file_io.h"

namespace sfxbind {

// False in a build without liblzma, libdeflate, libbz2 and libzstd (the
// Win32 tool): it deflates through zlib and recompresses nothing.
inline constexpr bool kLibraryCodecs = SFXBIND_LIBRARY_CODECS;

enum class BindMethod { kStore, kDeflate, kLzma };

inline constexpr uint16_t kMethodStored = 0, kMethodDeflate = 8, kMethodLzma = 14;

// Deflate's default is libdeflate's level 9: smaller and faster than zlib's
// level 9 on programs and on text; 10 to 12 are smaller still but slower
// than zlib's 9 on text (bench/bind_sizes.py).
inline constexpr int kDefaultLzmaLevel = 9, kDefaultDeflateLevel = 9;

struct Encoding {
  BindMethod method = kLibraryCodecs ? BindMethod::kLzma : BindMethod::kDeflate;
  int level = method == BindMethod::kLzma ? kDefaultLzmaLevel : kDefaultDeflateLevel;
};

// The highest --level of each method: deflate 12 (levels 10 to 12 only with
// libdeflate), LZMA 9, store 0.
int highest_level(BindMethod method);

// General-purpose flag bit 1 of an LZMA entry: its stream ends with an end marker.
inline constexpr uint16_t kFlagLzmaEndMarker = 0x0002;

// What an entry's data was written as.
struct Encoded {
  uint16_t method = kMethodStored;
  uint16_t flags = 0;  // the method's bits of the general-purpose flags (1 and 2)
  uint64_t compressed = 0;
};

// The method and flags an entry written with `encoding` gets unless it is
// stored; for the checks before anything is written.
Encoded planned_encoding(const Encoding& encoding);

// The "version needed to extract" of an entry written with `method`
// (without ZIP64 fields).
uint16_t version_needed(uint16_t method);

// Gives a header the entry's method, its method flags and the version it
// needs (kept at ZIP64's where the header has ZIP64 fields). `version_at`
// is the offset of its "version needed" field, which the flags and method
// follow in both local and central headers.
void set_method_fields(Bytes& header, unsigned version_at, const Encoded& encoded);

// The next chunk of the data; empty at its end.
using ChunkPull = std::function<std::span<const uint8_t>()>;
// Starts the data again from its first byte.
using ChunkOpen = std::function<ChunkPull()>;

class EntryEncoder {
 public:
  virtual ~EntryEncoder() = default;
  // Encodes the `size` bytes `next` gives into `out`. Nothing when the
  // encoded data would be `size` bytes or more: what it wrote is then to be
  // written over.
  virtual std::optional<Encoded> encode(const ChunkPull& next, uint64_t size, AtomicOutput& out) = 0;
};

// Null for kStore. Throws BindError for a method this build lacks.
std::unique_ptr<EntryEncoder> make_encoder(const Encoding& encoding);

// The encoders behind it, one file each: zlib's streaming deflate (levels 1
// to 9), libdeflate's (1 to 12, whole entries up to a size, zlib's stream
// beyond), liblzma's LZMA.
std::unique_ptr<EntryEncoder> make_zlib_encoder(int level);
std::unique_ptr<EntryEncoder> make_libdeflate_encoder(int level);
std::unique_ptr<EntryEncoder> make_lzma_encoder(int level);

// Writes the data `open` gives through `encoder` (when given and the data
// is not empty), stored instead where that is not smaller.
Encoded write_entry_data(EntryEncoder* encoder, const ChunkOpen& open, uint64_t size, AtomicOutput& out);

}  // namespace sfxbind
