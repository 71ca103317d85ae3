#pragma once
#include <string>

// lzma_crc/ours and lzma_crc/liblzma over the LZMA entries (method 14) of `archive`.
void register_lzma_benchmarks(const std::string& archive);
