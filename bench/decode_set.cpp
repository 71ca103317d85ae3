#include "bench/decode_set.h"

#include "base/fatal.h"
#include "decoders/decoders.h"
#include "platform/files.h"

namespace {

RunState run;

}  // namespace

RunState& decoding_run() { return run; }

void prepare_decoding() {
  install_front_end({&bench_front_end(), "", nullptr, nullptr});
  create_window(run.window);
  run.window.output = platform::open_for_writing("/dev/null");
}

void open_set(const DecodeSet& set) {
  if (!open_archive_stream(run.archive, set.path.c_str())) throw DecodeStop{-1, "cannot open " + set.path};
}

void decode_item(const DecodeItem& item) {
  archive_seek(run.archive, item.data_offset);
  run.entry_sizes = {item.header.compressed_size(), item.header.uncompressed_size()};
  reset_bit_input(run.bits, run.entry_sizes.compressed);
  reset_window(run.window, ring_size_for(item.header.method()));
  decode_entry(run, item.header);
  flush_window(run.window);
  if (compressed_unread(run.bits) != 0) throw DecodeStop{-1, "compressed size not consumed exactly"};
  if (entry_crc(run.window) != item.header.crc32()) throw DecodeStop{-1, "CRC mismatch"};
}

void decode_all(const DecodeSet& set) {
  for (const DecodeItem& item : set.items) decode_item(item);
}
