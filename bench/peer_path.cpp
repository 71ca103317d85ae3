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
