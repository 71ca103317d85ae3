#include "archive/extract_handler.h"

#include "shell/format_text.h"

#include "archive/archive_stream.h"
#include "archive/bit_input.h"
#include "archive/list_handler.h"
#include "archive/records.h"
#include "archive/scanner.h"
#include "archive/slide_window.h"
#include "decoders/decoders.h"
#include "platform/files.h"
#include "shell/fatal.h"
#include "shell/target_dir.h"
#include "shell/window_services.h"

char final_message[80];

namespace {

void ask_or_stop(const char* question) {
  if (!ask_yes_no(question, entry_name.full_name)) fatal_exit(kStoppedAtRequest);
}

constexpr const char* kUnableToExtract = " Unable To Extract The Above Component Continue? ";

bool method_supported(uint16_t method) { return method <= 6 || method == 8; }

void create_directory_entry() {
  if (create_dirs && is_selected()) make_and_enter_path(entry_name.full_name);
  change_drive_dir(extract_dir);
}

// Returns true when the decoder consumed the data; false when it is to be skipped.
bool extract_file(const LocalHeader& header) {
  open_output_file();
  format_text(line_text, sizeof line_text, " %s ", entry_name.full_name);
  show_progress_line(line_text);
  ++files_counted;
  reset_bit_input(header.compressed_size());
  reset_window();
  // Sizes in a trailing data descriptor with none in the header: a sequential
  // reader cannot tell where such an entry's data ends.
  if ((header.flags() & kFlagDataDescriptor) && header.compressed_size() == 0)
    fatal_exit(kFileTypeNotSupported);
  confirm_cancel();
  if (!method_supported(header.method())) {
    ask_or_stop(kUnableToExtract);
    // The empty file stays, unstamped; its handle is not kept open for the
    // rest of the run.
    platform::close_file(output_stream);
    output_stream = platform::kNoFile;
    return false;
  }
  decode_entry(header);
  finish_entry(header);
  return true;
}

void extract_entry(const LocalHeader& header) {
  bool consumed = false;
  if (header.flags() & kFlagEncrypted) {
    ask_or_stop("Encrypted File Continue?");
  } else if (entry_name.unusable) {  // nothing may be written under such a name
    ask_or_stop(kUnableToExtract);
  } else if (is_directory_entry()) {
    create_directory_entry();
  } else if (is_selected()) {
    consumed = extract_file(header);
  }
  if (!consumed) archive_skip(header.compressed_size());
}

}  // namespace

void decode_entry(const LocalHeader& header) {
  switch (header.method()) {
    case 0: copy_stored(static_cast<uint32_t>(compressed_left)); break;
    case 1: unshrink_entry(); break;
    case 6: explode_entry(header); break;
    case 8: inflate_entry(header); break;
    default: expand_entry(header); break;
  }
}

void open_output_file() {
  const EntryName& name = entry_name;
  char file_name[kPathCapacity];
  copy_text(file_name, sizeof file_name, name.base_name);
  append_text(file_name, sizeof file_name, name.ext);
  if (name.dir[0] != '\0' && !platform::set_current_dir(name.dir) && create_dirs &&
      make_and_enter_path(name.dir) != 0)
    fatal_exit(kCannotCreateOutputDir);
  if (platform::file_exists(file_name)) remove_existing_file(file_name);
  output_stream = platform::open_for_writing(file_name);
  if (output_stream == platform::kNoFile) fatal_exit(kErrorOpeningOutput);
  if (name.dir[0] != '\0') change_drive_dir(extract_dir);
}

void finish_entry(const LocalHeader& header) {
  flush_window();
  bool closed = platform::close_file(output_stream);
  output_stream = platform::kNoFile;
  // A write error the system reports only at close is still a write error.
  if (!closed) fatal_exit(kErrorWritingOutput);
  platform::stamp_file_time(entry_name.full_name, header.mod_date(), header.mod_time());
  if (compressed_left != 0) fatal_exit(kDataIntegrityError);
  if (entry_crc() != header.crc32()) fatal_exit(kCrcError);
}

void extract_handler(int16_t phase, uint8_t* record_buffer) {
  confirm_cancel();
  if (phase == kScanBegin) {
    if (!window_begin) create_window();
  } else if (phase == kScanLocalHeader) {
    extract_entry(record_at<LocalHeader>(record_buffer));
  } else if (files_counted != 0) {
    format_text(final_message, sizeof final_message, "Extraction Complete %d files processed",
                  static_cast<int>(files_counted));
  } else {
    format_text(final_message, sizeof final_message, "%s", "Nothing Extracted - Bound Zip File Not Present");
  }
}
