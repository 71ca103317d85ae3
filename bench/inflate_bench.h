#pragma once
#include <string>

// inflate_crc/ours, inflate_crc/zlib and inflate_crc/libdeflate over the deflated entries of `archive`.
void register_inflate_benchmarks(const std::string& archive);
