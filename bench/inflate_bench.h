#pragma once
#include <string>

// inflate_crc/ours and inflate_crc/zlib over the deflated entries of `archive`.
void register_inflate_benchmarks(const std::string& archive);
