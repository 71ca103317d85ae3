#include "archive/scanner.h"

#include "archive/entry_cipher.h"
#include "archive/entry_name.h"
#include "archive/entry_time.h"
#include "base/fatal.h"
#include "base/memory.h"
#include "platform/file_modes.h"

bool read_local_header(RunState& run, uint8_t* record_buffer) {
  ArchiveStream& s = run.archive;
  if (archive_read(s, record_buffer + 4, kLocalHeaderFixed) != kLocalHeaderFixed) return false;
  const LocalHeader& header = record_at<LocalHeader>(record_buffer);
  // The name and the extra field (which may hold the name in UTF-8) are read
  // whole into the room behind the record.
  char* fields = reinterpret_cast<char*>(record_buffer + kRecordBufferSize);
  uint32_t name_length = header.name_length();
  uint32_t length = name_length + header.extra_length();
  if (archive_read(s, fields, length) != length) return false;
  const std::string_view extra(fields + name_length, header.extra_length());
  // Without its sizes the walk cannot tell where the entry's data ends, so
  // it stops rather than read on from a guess (as for sizes only in a data
  // descriptor).
  if (!read_entry_sizes(header, extra, run.entry_sizes)) fatal_exit(kFileTypeNotSupported);
  run.decryption.cipher = read_entry_cipher(header, extra);
  run.entry_time = exact_entry_time(extra);
  confine_entry_name(std::string_view(fields, name_length), header.flags(), extra,
                     target_length(run.paths.extract_dir), run.entry_name);
  return true;
}

bool read_central_header(RunState& run, uint8_t* record_buffer) {
  ArchiveStream& s = run.archive;
  if (archive_read(s, record_buffer + 4, kCentralHeaderFixed) != kCentralHeaderFixed) return false;
  const CentralHeader& header = record_at<CentralHeader>(record_buffer);
  // Its name, confined as the local header's was, for the handler: only
  // where the system has the Unix modes central headers carry.
  if constexpr (!platform::kHasExecuteBits)
    return archive_skip(s, uint32_t{header.name_length()} + header.extra_length() + header.comment_length());
  char* fields = reinterpret_cast<char*>(record_buffer + kRecordBufferSize);
  const uint32_t name_length = header.name_length(), extra_length = header.extra_length();
  if (archive_read(s, fields, name_length + extra_length) != name_length + extra_length) return false;
  confine_entry_name({fields, name_length}, header.flags(), {fields + name_length, extra_length},
                     target_length(run.paths.extract_dir), run.entry_name);
  return archive_skip(s, header.comment_length());
}

bool read_end_record(ArchiveStream& s, uint8_t* record_buffer) {
  if (archive_read(s, record_buffer + 4, kEndRecordFixed) != kEndRecordFixed) return false;
  return archive_skip(s, record_at<EndRecord>(record_buffer).comment_length());
}

bool read_zip64_end_record(ArchiveStream& s, uint8_t* record_buffer) {
  if (archive_read(s, record_buffer + 4, kZip64EndFixed) != kZip64EndFixed) return false;
  return archive_skip(s, read_le64(record_buffer + 4));
}

void scan_archive(RunState& run, EntryHandler handler) {
  ZeroedBlock<uint8_t> buffer(static_cast<uint8_t*>(alloc_zeroed(kRecordBufferSize + kStoredFieldsCapacity)));
  uint8_t* record = buffer.get();
  run.record_buffer = record;
  ArchiveStream& s = run.archive;
  run.end_record_seen = 0;
  handler(run, kScanBegin, record);
  while (archive_read(s, record, 4) == 4) {
    if (read_le16(record) != kSignatureWord) continue;
    uint16_t type = read_le16(record + 2);
    if (type == kLocalHeaderType) {
      if (!read_local_header(run, record)) break;
      handler(run, kScanLocalHeader, record);
    } else if (type == kCentralHeaderType) {
      if (!read_central_header(run, record)) break;
      if constexpr (platform::kHasExecuteBits) handler(run, kScanCentralHeader, record);
    } else if (type == kEndRecordType) {
      if (!read_end_record(s, record)) break;
      run.end_record_seen = 1;
    } else if (type == kZip64EndType) {
      if (!read_zip64_end_record(s, record)) break;
    } else if (type == kZip64LocatorType) {
      if (archive_read(s, record + 4, kZip64LocatorFixed) != kZip64LocatorFixed) break;
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
