#include "archive/list_handler.h"

#include "archive/scanner.h"
#include "base/fatal.h"
#include "base/text.h"
#include "platform/text_encoding.h"

uint32_t compression_ratio(uint32_t uncompressed, uint32_t compressed) {
  if (uncompressed < compressed || uncompressed == 0) return 0;
  uint32_t saved = uncompressed - compressed;
  while (saved > 4294967u) {  // keeps saved * 1000 within 32 bits
    saved /= 10;
    uncompressed /= 10;
  }
  return (saved * 1000 / uncompressed + 9) / 10;
}

namespace {

// Sizes, totals and counts print unsigned: 32-bit fields, whatever the width
// of long on the platform.
unsigned long as_unsigned(uint32_t value) { return value; }

void list_entry(RunState& run, const LocalHeader& header) {
  PassCounters& counters = run.counters;
  bool encrypted = header.flags() & kFlagEncrypted;
  format_text(run.line_text, sizeof run.line_text, "Size:%12lu Compressed:%12lu Component:%s%s%s",
              as_unsigned(header.uncompressed_size()), as_unsigned(header.compressed_size()),
              encrypted ? platform::kEncryptedMark : " ", "", run.entry_name.full_name);
  run.encrypted_seen |= encrypted ? 1 : 0;
  ++counters.files_counted;
  counters.total_uncompressed += header.uncompressed_size();
  counters.total_compressed += header.compressed_size();
  installed_front_end().show_progress_line(run.line_text);
}

void list_totals(RunState& run) {
  const PassCounters& counters = run.counters;
  if (counters.files_counted != 0) {
    char legend[64] = "";
    if (run.encrypted_seen)
      format_text(legend, sizeof legend, "%s Marks encrypted files - Not Supported",
                  platform::kEncryptedMark);
    format_text(run.line_text, sizeof run.line_text,
                "Original:%8lu%9.9sCompressed:%8lu   Ratio:%3d%%%16.16s%5lu Files %s",
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
    archive_skip(run.archive, header.compressed_size());
    // A directory entry naming the target itself is neither listed nor counted.
    if (is_selected() && !names_target(run.entry_name)) list_entry(run, header);
  } else if (phase == kScanEnd) {
    list_totals(run);
  }
}
