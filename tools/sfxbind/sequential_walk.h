// The self-extractor's view of an archive: it never reads the central
// directory, it walks the file from its start in 4-byte steps and takes every
// local header it meets.
#pragma once
#include <cstdint>
#include <vector>

#include "tools/sfxbind/byte_fields.h"

namespace sfxbind {

// Positions of the local headers the walk finds, in walking order, when the
// archive begins at a 4-byte aligned offset after a stub with no record
// signature. Entries that would stop the run are stepped over by their
// compressed size, so everything after them is still accounted for.
std::vector<uint64_t> walk_local_headers(const Bytes& archive);

}  // namespace sfxbind
