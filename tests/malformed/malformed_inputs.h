// The archives the malformed suite starts from, the damage it does to them
// and the names it tries, shared with the test that holds the binding tool's
// predictions against the stub.
#pragma once
#include <string>
#include <vector>

#include "tests/malformed/archive_layout.h"

// An archive holding every kind of entry the pass treats differently.
std::string built_archive();

// Names that try to leave the target directory, or cannot be files at all.
const std::vector<std::string>& hostile_names();

struct BaseArchive {
  std::string name;
  std::string archive;
  std::vector<RecordSpan> layout;
};

// The built archive and every corpus archive that extracts with status 0.
const std::vector<BaseArchive>& base_archives();

struct DamagedArchive {
  std::string what;
  std::string archive;
  // An entry that a decoder reads claims more data than the file holds.
  bool data_beyond_end = false;
};

// Single flipped bits (seeded), half of them in the headers.
std::vector<DamagedArchive> flipped_bit_archives();

// Lengths and sizes of the first and last record of each kind set far beyond the data.
std::vector<DamagedArchive> absurd_length_archives();
