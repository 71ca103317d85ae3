#include "shell/extract_handler.h"

#include <cstring>

#include "archive/entry_policy.h"
#include "archive/list_handler.h"
#include "archive/scanner.h"
#include "base/fatal.h"
#include "base/text.h"
#include "decoders/decoders.h"
#include "platform/file_modes.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "shell/encrypted_entry.h"
#include "shell/entry_output.h"

namespace {

// Tells the front end how far the pass has come; it may take in input
// meanwhile, a Cancel among it.
void report_progress(RunState& run) {
  const PassProgress& p = run.progress;
  // Below zero after a stored block claimed more than the entry held.
  const int64_t left = compressed_unread(run.bits);
  const uint64_t unread = left > 0 ? static_cast<uint64_t>(left) : 0;
  const uint64_t consumed = unread < p.entry_size ? p.entry_size - unread : 0;
  installed_front_end().pass_progress(p.passed + consumed, p.total);
}

void report_progress_after_write(void* run) { report_progress(*static_cast<RunState*>(run)); }

// A Cancel pressed since the last poll reaches the dialog here, and is asked about at once.
void poll_cancel(RunState& run) {
  report_progress(run);
  confirm_cancel(run);
}

// An entry skipped unattended is never asked about; one skipped after a Yes
// counts the same.
void skip_or_stop(RunState& run, const char* question) {
  if (!run.unattended && !installed_front_end().ask_yes_no(question, run.entry_name.full_name))
    fatal_exit(kStoppedAtRequest);
  ++run.skipped;
}

constexpr const char* kUnableToExtract = " Unable To Extract The Above Component Continue? ";

void create_directory_entry(RunState& run) {
  if (!create_dirs || !is_selected()) return;
  char path[kLongPathCapacity];
  size_t name_start = entry_path(run, path);
  path[std::strlen(path) - 1] = '\0';  // the name's trailing separator
  make_dir_tree(path, name_start);
}

// Returns true when the decoder consumed the data; false when it is to be skipped.
bool extract_file(RunState& run, const LocalHeader& header, EntryAction action) {
  // Shown first, so that a failure to open the file stands under its name.
  format_text(run.line_text, sizeof run.line_text, " %s ", run.entry_name.full_name);
  installed_front_end().show_progress_line(run.line_text);
  open_output_file(run, action == EntryAction::kExtractFile);
  ++run.counters.files_counted;
  reset_bit_input(run.bits, run.entry_sizes.compressed);
  run.progress.entry_size = run.entry_sizes.compressed;
  reset_window(run.window, ring_size_for(header.method()));
  if (action == EntryAction::kStopDataDescriptor && run.entry_sizes.compressed == 0)
    fatal_exit(kFileTypeNotSupported);
  poll_cancel(run);
  if (action == EntryAction::kAskUnsupportedMethod) {
    skip_or_stop(run, kUnableToExtract);
    // An empty file made for it stays, unstamped; its handle is not kept
    // open for the rest of the run.
    if (run.window.output != platform::kNoFile) platform::close_file(run.window.output);
    run.window.output = platform::kNoFile;
    return false;
  }
  if (action == EntryAction::kStopDataDescriptor) fatal_exit(kFileTypeNotSupported);
  decode_entry(run, header);
  finish_entry(run, header);
  return true;
}

// A file the stub can decode once decrypted, with the password asked for;
// anything else encrypted (a directory, a name or a method asked about, a
// cipher it does not know) is asked about as before.
bool extract_encrypted(RunState& run, const LocalHeader& header) {
  const EntryCipher& cipher = run.decryption.cipher;
  if (is_selected() && opens_with_password(header, run.entry_sizes, run.entry_name, cipher) &&
      unlock_entry(run, header))
    return extract_file(run, without_encryption(header, cipher), EntryAction::kExtractFile);
  skip_or_stop(run, "Encrypted File Continue?");
  return false;
}

void extract_entry(RunState& run, const LocalHeader& header) {
  bool consumed = false;
  const EntryAction action = entry_action(header, run.entry_sizes, run.entry_name);
  if (action == EntryAction::kAskEncrypted) {
    consumed = extract_encrypted(run, header);
  } else if (action == EntryAction::kAskUnusableName) {
    skip_or_stop(run, kUnableToExtract);
  } else if (action == EntryAction::kAskUnsupportedMethod && run.unattended) {
    skip_or_stop(run, kUnableToExtract);  // without the empty file an interactive Yes leaves
  } else if (action == EntryAction::kMakeDirectory) {
    create_directory_entry(run);
  } else if (action != EntryAction::kSkipTarget && is_selected()) {
    consumed = extract_file(run, header, action);
  }
  if (!consumed) archive_skip(run.archive, run.entry_sizes.compressed);
  run.progress.passed += run.entry_sizes.compressed;
  run.progress.entry_size = 0;
}

// Entries made on Unix carry their permissions in the central directory,
// which the walk meets after every entry.
void give_execute_bits(const RunState& run, const CentralHeader& header) {
  const uint32_t mode = unix_execute_bits(header);
  if (mode == 0 || run.entry_name.unusable || !is_selected()) return;
  // By its whole path below the target, whatever the current directory (one
  // too long for the system is refused whole, never cut to another file's).
  char path[kLongPathCapacity];
  format_text(path, sizeof path, "%s%c%s", run.paths.extract_dir, platform::kSeparator,
              run.entry_name.full_name);
  platform::add_execute_bits(path, mode);
}

// What a stop undoes: the workers that read the entries ahead are stopped
// and waited for before the process ends, and the unproven output dropped.
void undo_extraction(void* run) {
  release_decryption(static_cast<RunState*>(run)->decryption);
  drop_unproven_output(run);
}

}  // namespace

void extract_handler(RunState& run, int16_t phase, uint8_t* record_buffer) {
  poll_cancel(run);
  if (phase == kScanBegin) {
    if (!run.window.begin) create_window(run.window);
    run.window.after_full_write = report_progress_after_write;
    run.window.after_full_write_context = &run;
    set_stop_undo(undo_extraction, &run);
  } else if (phase == kScanLocalHeader) {
    extract_entry(run, record_at<LocalHeader>(record_buffer));
  } else if (phase == kScanCentralHeader) {
    if constexpr (platform::kHasExecuteBits) give_execute_bits(run, record_at<CentralHeader>(record_buffer));
  } else {
    // The workers read the archive: they end with the pass that started them.
    release_decryption(run.decryption);
    set_stop_undo(nullptr, nullptr);
    installed_front_end().pass_progress(run.progress.total, run.progress.total);
    if (run.counters.files_counted != 0)
      format_text(run.final_message, sizeof run.final_message, "Extraction Complete %lu files processed",
                  static_cast<unsigned long>(run.counters.files_counted));
    else
      format_text(run.final_message, sizeof run.final_message, "%s",
                  "Nothing Extracted - Bound Zip File Not Present");
  }
}
