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

  const DecodeSet& set_;
  platform::FileHandle input_;
  platform::FileHandle output_;
};
