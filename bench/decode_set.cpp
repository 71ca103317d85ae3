#include "bench/decode_set.h"

#include "archive/archive_stream.h"
#include "archive/bit_input.h"
#include "archive/extract_handler.h"
#include "archive/slide_window.h"
#include "platform/files.h"

namespace {

// Moves the archive stream anywhere, backwards too; the next read refills
// from there unless the spot is still in the buffer.
void position_archive_stream(uint64_t offset) {
  ArchiveStream& s = archive_stream;
  if (offset >= s.buffer_start && offset - s.buffer_start <= s.filled) {
    s.pos = static_cast<uint32_t>(offset - s.buffer_start);
  } else {
    s.buffer_start = offset;
    s.pos = 0;
    s.filled = 0;
  }
}

}  // namespace

void prepare_decoding() {
  create_window();
  output_stream = platform::open_for_writing("/dev/null");
}

void open_set(const DecodeSet& set) {
  if (!open_archive_stream(set.path.c_str())) throw DecodeStop{-1, "cannot open " + set.path};
}

void decode_item(const DecodeItem& item) {
  position_archive_stream(item.data_offset);
  reset_bit_input(item.header.compressed_size());
  reset_window();
  decode_entry(item.header);
  flush_window();
  if (compressed_left != 0) throw DecodeStop{-1, "compressed size not consumed exactly"};
  if (entry_crc() != item.header.crc32()) throw DecodeStop{-1, "CRC mismatch"};
}

void decode_all(const DecodeSet& set) {
  for (const DecodeItem& item : set.items) decode_item(item);
}
