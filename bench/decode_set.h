// Entries decoded in process through the stub's own path: the archive stream
// on a file, the bit input, a decoder and the output window, whose writes go
// to /dev/null. A benchmark iteration decodes a whole set once.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "archive/records.h"
#include "archive/run_state.h"
#include "base/front_end.h"

// A fatal stop inside the decoders, or an entry whose CRC or consumption is wrong.
struct DecodeStop {
  int status;
  std::string message;
};

struct DecodeItem {
  LocalHeader header;
  uint64_t data_offset;  // of the compressed bytes within the set's file
};

struct DecodeSet {
  std::string path;
  std::vector<DecodeItem> items;
  uint64_t output_bytes = 0;

  void add(const DecodeItem& item) {
    items.push_back(item);
    output_bytes += item.header.uncompressed_size();
  }
};

// The benchmark's silent front end (bench_front_end.cpp).
FrontEnd& bench_front_end();

// The run state every in-process decoding uses, the one of this process.
RunState& decoding_run();

// Once per process: the front end, the window, and /dev/null as the output stream.
void prepare_decoding();
// Makes the set's file the archive stream (once per benchmark run).
void open_set(const DecodeSet& set);
// Decodes one entry into the current output stream and checks it as the
// extraction driver does; throws DecodeStop.
void decode_item(const DecodeItem& item);
void decode_all(const DecodeSet& set);
