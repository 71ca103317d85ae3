#include "archive/list_handler.h"

#include "shell/format_text.h"

#include "archive/archive_stream.h"
#include "archive/records.h"
#include "archive/scanner.h"
#include "platform/text_encoding.h"
#include "shell/window_services.h"

int16_t files_counted = 0;
uint32_t total_uncompressed = 0;
uint32_t total_compressed = 0;
uint8_t encrypted_seen = 0;
char line_text[kLineCapacity];

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

void list_entry(const LocalHeader& header) {
  bool encrypted = header.flags() & kFlagEncrypted;
  format_text(line_text, sizeof line_text, "Size:%12ld Compressed:%12ld Component:%s%s%s",
                as_signed(header.uncompressed_size()), as_signed(header.compressed_size()),
                encrypted ? platform::kEncryptedMark : " ", "", entry_name.full_name);
  encrypted_seen |= encrypted ? 1 : 0;
  ++files_counted;
  total_uncompressed += header.uncompressed_size();
  total_compressed += header.compressed_size();
  show_progress_line(line_text);
}

void list_totals() {
  if (files_counted != 0) {
    char legend[64] = "";
    if (encrypted_seen)
      format_text(legend, sizeof legend, "%s Marks encrypted files - Not Supported", platform::kEncryptedMark);
    format_text(line_text, sizeof line_text,
                  "Original:%8ld%9.9sCompressed:%8ld   Ratio:%3d%%%16.16s%5d Files %s",
                  as_signed(total_uncompressed), "", as_signed(total_compressed),
                  static_cast<int>(static_cast<int16_t>(compression_ratio(total_uncompressed, total_compressed))),
                  "", static_cast<int>(files_counted), legend);
  } else {
    format_text(line_text, sizeof line_text, "%s", "Not A Bound Zip File");
  }
  show_progress_line(line_text);
}

}  // namespace

void list_handler(int16_t phase, uint8_t* record_buffer) {
  if (phase == kScanLocalHeader) {
    const LocalHeader& header = record_at<LocalHeader>(record_buffer);
    archive_skip(header.compressed_size());
    if (is_selected()) list_entry(header);
  } else if (phase == kScanEnd) {
    list_totals();
  }
}
