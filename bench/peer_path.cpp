#include "bench/peer_path.h"

PeerPath::PeerPath(const DecodeSet& set)
    : set_(set),
      input_(platform::open_for_reading(set.path.c_str())),
      output_(platform::open_for_writing("/dev/null")) {
  if (input_ == platform::kNoFile || output_ == platform::kNoFile) throw DecodeStop{-1, "cannot open files"};
}

PeerPath::~PeerPath() {
  platform::close_file(input_);
  platform::close_file(output_);
}

void PeerPath::decode_all() {
  for (const DecodeItem& item : set_.items) decode_item(item);
}

void PeerPath::write_piece(const uint8_t* data, uint32_t n, uint64_t& produced) {
  if (!platform::write_file(output_, data, n)) throw DecodeStop{-1, "write failed"};
  produced += n;
}

void PeerPath::expect_entry(const DecodeItem& item, uint64_t produced, uint32_t crc, const char* peer) {
  if (produced != item.header.uncompressed_size() || crc != item.header.crc32())
    throw DecodeStop{-1, std::string(peer) + " output differs from the entry"};
}
