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
  reset_bit_input(run.bits, item.header.compressed_size());
  reset_window(run.window);
  decode_entry(run, item.header);
  flush_window(run.window);
  if (run.bits.compressed_left != 0) throw DecodeStop{-1, "compressed size not consumed exactly"};
  if (entry_crc(run.window) != item.header.crc32()) throw DecodeStop{-1, "CRC mismatch"};
}

void decode_all(const DecodeSet& set) {
  for (const DecodeItem& item : set.items) decode_item(item);
}
