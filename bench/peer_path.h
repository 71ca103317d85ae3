// A peer library's way through the deflated entries of a set: the set's file
// open for reading, /dev/null for writing, and one decode per entry that
// checks size and CRC like the extraction driver (throwing DecodeStop).
#pragma once
#include "bench/decode_set.h"
#include "platform/files.h"

class PeerPath {
 public:
  explicit PeerPath(const DecodeSet& set);
  virtual ~PeerPath();
  PeerPath(const PeerPath&) = delete;
  PeerPath& operator=(const PeerPath&) = delete;

  void decode_all();

 protected:
  virtual void decode_item(const DecodeItem& item) = 0;
  // Writes a piece of output to /dev/null and counts it into `produced`.
  void write_piece(const uint8_t* data, uint32_t n, uint64_t& produced);
  // Throws unless what was written is the entry: its size and CRC-32.
  static void expect_entry(const DecodeItem& item, uint64_t produced, uint32_t crc, const char* peer);

  const DecodeSet& set_;
  platform::FileHandle input_;
  platform::FileHandle output_;
};
