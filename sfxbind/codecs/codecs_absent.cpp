// What a build without the compression libraries does in their place:
// deflate through zlib (at most its level 9), no LZMA, no recompression.
#include <algorithm>

#include "sfxbind/codecs/entry_encoder.h"
#include "sfxbind/codecs/library_decoder.h"

namespace sfxbind {

static_assert(!kLibraryCodecs, "built only where the libraries are missing");

std::unique_ptr<EntryEncoder> make_libdeflate_encoder(int level) {
  return make_zlib_encoder(std::min(level, 9));
}

std::unique_ptr<EntryEncoder> make_lzma_encoder(int) {
  throw BindError("this sfxbind is built without liblzma: use --method deflate");
}

bool library_decodes(uint16_t) { return false; }

std::unique_ptr<LibraryDecoder> make_library_decoder(uint16_t) { return nullptr; }

}  // namespace sfxbind
