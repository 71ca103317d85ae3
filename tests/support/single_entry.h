// Runs the real extraction pass over an archive of one entry, out.bin, whose
// compressed bytes a decoder test wrote by hand.
#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "tests/support/extraction_run.h"

struct SingleEntryRun {
  RunOutcome run;
  bool written = false;  // out.bin exists after the run
  std::string output;    // its bytes ("" when not written)
};

// The entry's CRC comes from `content`, its uncompressed size too unless
// `uncompressed_size` is given.
SingleEntryRun extract_single_entry(uint16_t method, uint16_t flags, const std::string& compressed,
                                    const std::string& content,
                                    std::optional<uint32_t> uncompressed_size = std::nullopt);

// The run completed with one file and wrote `want`.
void expect_single_entry_complete(const SingleEntryRun& got, const std::string& want);
