#include "decoders/decoders.h"

void decode_entry(RunState& run, const LocalHeader& header) {
  switch (header.method()) {
    case 0: copy_stored(run, static_cast<uint64_t>(compressed_unread(run.bits))); break;
    case 1: unshrink_entry(run); break;
    case 6: explode_entry(run, header); break;
    case 8: inflate_entry(run); break;
    case 9: inflate64_entry(run); break;
    case 14: lzma_entry(run, header); break;
    default: expand_entry(run, header); break;
  }
}
