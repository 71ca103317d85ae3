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

// Sizes print as signed 32-bit numbers, as the archive's fields are shown.
long as_signed(uint32_t value) { return static_cast<int32_t>(value); }

void list_entry(RunState& run, const LocalHeader& header) {
  PassCounters& counters = run.counters;
  bool encrypted = header.flags() & kFlagEncrypted;
  format_text(run.line_text, sizeof run.line_text, "Size:%12ld Compressed:%12ld Component:%s%s%s",
              as_signed(header.uncompressed_size()), as_signed(header.compressed_size()),
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
                "Original:%8ld%9.9sCompressed:%8ld   Ratio:%3d%%%16.16s%5d Files %s",
                as_signed(counters.total_uncompressed), "", as_signed(counters.total_compressed),
                static_cast<int>(static_cast<int16_t>(
                    compression_ratio(counters.total_uncompressed, counters.total_compressed))),
                "", static_cast<int>(counters.files_counted), legend);
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
    if (is_selected()) list_entry(run, header);
  } else if (phase == kScanEnd) {
    list_totals(run);
  }
}
