#include "archive/scanner.h"

#include "archive/archive_stream.h"
#include "archive/entry_name.h"
#include "archive/records.h"
#include "shell/fatal.h"

bool read_local_header(uint8_t* record_buffer) {
  if (archive_read(record_buffer + 4, kLocalHeaderFixed) != kLocalHeaderFixed) return false;
  const LocalHeader& header = record_at<LocalHeader>(record_buffer);
  // A name too long for a path is kept as far as it fits (and marked unusable).
  char raw_name[kPathCapacity];
  uint32_t length = header.name_length();
  uint32_t kept = length < kPathCapacity ? length : kPathCapacity;
  if (archive_read(raw_name, kept) != kept) return false;
  confine_entry_name(raw_name, kept, entry_name);
  return archive_skip(length - kept + header.extra_length());
}

bool read_central_header(uint8_t* record_buffer) {
  if (archive_read(record_buffer + 4, kCentralHeaderFixed) != kCentralHeaderFixed) return false;
  const CentralHeader& header = record_at<CentralHeader>(record_buffer);
  return archive_skip(uint32_t{header.name_length()} + header.extra_length() + header.comment_length());
}

bool read_end_record(uint8_t* record_buffer) {
  if (archive_read(record_buffer + 4, kEndRecordFixed) != kEndRecordFixed) return false;
  return archive_skip(record_at<EndRecord>(record_buffer).comment_length());
}

void scan_archive(EntryHandler handler) {
  ZeroedBlock<uint8_t> buffer(static_cast<uint8_t*>(alloc_zeroed16(kRecordBufferSize)));
  uint8_t* record = buffer.get();
  handler(kScanBegin, record);
  while (archive_read(record, 4) == 4) {
    if (read_le16(record) != kSignatureWord) continue;
    uint16_t type = read_le16(record + 2);
    if (type == kLocalHeaderType) {
      if (!read_local_header(record)) break;
      handler(kScanLocalHeader, record);
    } else if (type == kCentralHeaderType) {
      if (!read_central_header(record)) break;
    } else if (type == kEndRecordType) {
      if (!read_end_record(record)) break;
    }
  }
  handler(kScanEnd, record);
}
