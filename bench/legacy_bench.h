#pragma once
#include <string>

// For each legacy decoder, <name>/legacy decodes the corpus entries of its
// methods and <name>/our_inflate inflates the same contents deflated at
// level 6. Scratch files go to `scratch_dir`.
void register_legacy_benchmarks(const std::string& corpus_dir, const std::string& scratch_dir);
