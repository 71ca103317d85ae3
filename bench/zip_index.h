// The entries of an ordinary ZIP file as its central directory lists them,
// with each entry's local header and where its data starts.
#pragma once
#include <string>
#include <vector>

#include "bench/decode_set.h"

struct ZipEntry {
  std::string name;
  DecodeItem item;
};

// Empty when the file cannot be read.
std::vector<uint8_t> read_whole_file(const std::string& path);

// Empty when the file has no readable central directory.
std::vector<ZipEntry> read_zip_index(const std::string& path);
