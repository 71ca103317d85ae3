// Decoders of the methods today's zippers write and the self-extractor does
// not decode (BZip2, Zstandard, XZ), through their libraries: what re-encodes
// such entries with the bind's method reads them through these.
#pragma once
#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace sfxbind {

// Data that does not decode: why, in a few words.
struct DataFault {
  std::string why;
};

class LibraryDecoder {
 public:
  virtual ~LibraryDecoder() = default;
  // Decodes from `in`, which it advances past what it took, into `out`;
  // returns how many bytes it wrote there. Throws DataFault.
  virtual size_t decode(std::span<const uint8_t>& in, std::span<uint8_t> out) = 0;
  // True at the end of the stream (for Zstandard: of a frame).
  virtual bool ended() const = 0;
};

// True for a method this build decodes through a library.
bool library_decodes(uint16_t method);

// The decoder of one entry's data. Throws BindError when out of memory.
std::unique_ptr<LibraryDecoder> make_library_decoder(uint16_t method);

// Behind it, one library a file.
std::unique_ptr<LibraryDecoder> make_bzip2_decoder();
std::unique_ptr<LibraryDecoder> make_zstd_decoder();
std::unique_ptr<LibraryDecoder> make_xz_decoder();

}  // namespace sfxbind
