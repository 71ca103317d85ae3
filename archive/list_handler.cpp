#include "archive/list_handler.h"

#include "archive/scanner.h"
#include "base/fatal.h"
#include "base/text.h"
#include "platform/text_encoding.h"

uint32_t compression_ratio(uint64_t uncompressed, uint64_t compressed) {
  if (uncompressed < compressed || uncompressed == 0) return 0;
  uint64_t saved = uncompressed - compressed;
  // Totals past 32 bits are halved down to them: a ratio needs no more, and
  // the rest is 32-bit arithmetic.
  while (uncompressed > 0xFFFFFFFFu) {
    uncompressed >>= 1;
    saved >>= 1;
  }
  uint32_t saved32 = static_cast<uint32_t>(saved), uncompressed32 = static_cast<uint32_t>(uncompressed);
  while (saved32 > 4294967u) {  // keeps saved * 1000 within 32 bits
    saved32 /= 10;
    uncompressed32 /= 10;
  }
  return (saved32 * 1000 / uncompressed32 + 9) / 10;
}

namespace {

// Sizes, totals and counts print unsigned, whatever the width of long on the platform.
unsigned long long as_unsigned(uint64_t value) { return value; }
unsigned long as_unsigned(uint32_t value) { return value; }

void list_entry(RunState& run, const LocalHeader& header) {
  PassCounters& counters = run.counters;
  const EntrySizes& sizes = run.entry_sizes;
  bool encrypted = header.flags() & kFlagEncrypted;
  format_text(run.line_text, sizeof run.line_text,
              "Size:%12" SFX_ULL " Compressed:%12" SFX_ULL " Component:%s%s%s",
              as_unsigned(sizes.uncompressed), as_unsigned(sizes.compressed),
              encrypted ? platform::kEncryptedMark : " ", "", run.entry_name.full_name);
  run.encrypted_seen |= encrypted ? 1 : 0;
  ++counters.files_counted;
  counters.total_uncompressed += sizes.uncompressed;
  counters.total_compressed += sizes.compressed;
  installed_front_end().show_progress_line(run.line_text);
}

void list_totals(RunState& run) {
  const PassCounters& counters = run.counters;
  if (counters.files_counted != 0) {
    char legend[64] = "";
    if (run.encrypted_seen)
      format_text(legend, sizeof legend, "%s Marks encrypted files - Password Required",
                  platform::kEncryptedMark);
    format_text(run.line_text, sizeof run.line_text,
                "Original:%8" SFX_ULL "%9.9sCompressed:%8" SFX_ULL "   Ratio:%3d%%%16.16s%5lu Files %s",
                as_unsigned(counters.total_uncompressed), "", as_unsigned(counters.total_compressed),
                static_cast<int>(static_cast<int16_t>(
                    compression_ratio(counters.total_uncompressed, counters.total_compressed))),
                "", as_unsigned(counters.files_counted), legend);
  } else {
    format_text(run.line_text, sizeof run.line_text, "%s", "Not A Bound Zip File");
  }
  installed_front_end().show_progress_line(run.line_text);
}

}  // namespace

void list_handler(RunState& run, int16_t phase, uint8_t* record_buffer) {
  if (phase == kScanLocalHeader) {
    const LocalHeader& header = record_at<LocalHeader>(record_buffer);
    archive_skip(run.archive, run.entry_sizes.compressed);
    // A directory entry naming the target itself is neither listed nor counted.
    if (is_selected() && !names_target(run.entry_name)) list_entry(run, header);
  } else if (phase == kScanEnd) {
    list_totals(run);
  }
}
