#pragma once
#include <string>

// For each legacy decoder, <name>/legacy decodes the corpus entries of its
// methods; <name>/our_inflate and <name>/zlib_inflate inflate the same
// contents deflated at level 6 (zlib is the peer that stays put while ours
// gets faster). Scratch files go to `scratch_dir`.
void register_legacy_benchmarks(const std::string& corpus_dir, const std::string& scratch_dir);
