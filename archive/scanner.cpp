#include "archive/scanner.h"

#include "archive/entry_name.h"
#include "base/memory.h"

bool read_local_header(RunState& run, uint8_t* record_buffer) {
  ArchiveStream& s = run.archive;
  if (archive_read(s, record_buffer + 4, kLocalHeaderFixed) != kLocalHeaderFixed) return false;
  const LocalHeader& header = record_at<LocalHeader>(record_buffer);
  // A name too long for a path is kept as far as it fits (and marked unusable).
  char raw_name[kPathCapacity];
  uint32_t length = header.name_length();
  uint32_t kept = length < kPathCapacity ? length : kPathCapacity;
  if (archive_read(s, raw_name, kept) != kept) return false;
  confine_entry_name(raw_name, kept, run.entry_name);
  return archive_skip(s, length - kept + header.extra_length());
}

bool read_central_header(ArchiveStream& s, uint8_t* record_buffer) {
  if (archive_read(s, record_buffer + 4, kCentralHeaderFixed) != kCentralHeaderFixed) return false;
  const CentralHeader& header = record_at<CentralHeader>(record_buffer);
  return archive_skip(s, uint32_t{header.name_length()} + header.extra_length() + header.comment_length());
}

bool read_end_record(ArchiveStream& s, uint8_t* record_buffer) {
  if (archive_read(s, record_buffer + 4, kEndRecordFixed) != kEndRecordFixed) return false;
  return archive_skip(s, record_at<EndRecord>(record_buffer).comment_length());
}

void scan_archive(RunState& run, EntryHandler handler) {
  ZeroedBlock<uint8_t> buffer(static_cast<uint8_t*>(alloc_zeroed16(kRecordBufferSize)));
  uint8_t* record = buffer.get();
  run.record_buffer = record;
  ArchiveStream& s = run.archive;
  handler(run, kScanBegin, record);
  while (archive_read(s, record, 4) == 4) {
    if (read_le16(record) != kSignatureWord) continue;
    uint16_t type = read_le16(record + 2);
    if (type == kLocalHeaderType) {
      if (!read_local_header(run, record)) break;
      handler(run, kScanLocalHeader, record);
    } else if (type == kCentralHeaderType) {
      if (!read_central_header(s, record)) break;
    } else if (type == kEndRecordType) {
      if (!read_end_record(s, record)) break;
    }
  }
  handler(run, kScanEnd, record);
  run.record_buffer = nullptr;
}

bool walk_archive_file(RunState& run, const char* path, EntryHandler handler) {
  if (!open_archive_stream(run.archive, path)) return false;
  scan_archive(run, handler);
  close_archive_stream(run.archive);
  return true;
}
