#include "sfxbind/codecs/library_decoder.h"

namespace sfxbind {

namespace {

constexpr uint16_t kBzip2 = 12, kOldZstandard = 20, kZstandard = 93, kXz = 95;

}  // namespace

bool library_decodes(uint16_t method) {
  return method == kBzip2 || method == kOldZstandard || method == kZstandard || method == kXz;
}

std::unique_ptr<LibraryDecoder> make_library_decoder(uint16_t method) {
  switch (method) {
    case kBzip2: return make_bzip2_decoder();
    case kOldZstandard:
    case kZstandard: return make_zstd_decoder();
    case kXz: return make_xz_decoder();
  }
  return nullptr;
}

}  // namespace sfxbind
