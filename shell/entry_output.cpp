#include "shell/entry_output.h"

#include <cstring>

#include "base/fatal.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "shell/extract_handler.h"

namespace {

// Ends the entry's new file beside an existing one, if it has one: moved
// over it when `keep` (every check of the entry passed), removed otherwise.
// False when the move failed (a file in use by another program): the new
// file is removed then too, and the old one stays.
bool end_new_file(RunState& run, bool keep) {
  if (!run.writing_new_file) return true;
  // Windows removes no file that is still open.
  if (run.window.output != platform::kNoFile) platform::close_file(run.window.output);
  run.window.output = platform::kNoFile;
  char path[kLongPathCapacity], new_path[kLongPathCapacity];
  entry_path(run, path);
  fresh_path(path, run.new_file_name, new_path, kLongPathCapacity);
  run.writing_new_file = 0;
  const bool moved = keep && platform::move_file_over(new_path, path);
  if (!moved) platform::delete_file(new_path);
  return moved || !keep;
}

}  // namespace

size_t entry_path(const RunState& run, char* out) {
  copy_text(out, kLongPathCapacity, run.paths.extract_dir);
  size_t n = std::strlen(out);
  if (n > 0 && !platform::is_separator(out[n - 1])) out[n++] = platform::kSeparator;
  copy_text(out + n, kLongPathCapacity - n, run.entry_name.full_name);
  return n;
}

void open_output_file(RunState& run, bool writes) {
  char path[kLongPathCapacity];
  size_t name_start = entry_path(run, path);
  char* last_separator = std::strrchr(path + name_start, platform::kSeparator);
  if (last_separator && create_dirs) {
    *last_separator = '\0';
    // Entries of one directory mostly follow each other: it is made, or
    // found to be there, once for all of them.
    if (std::strcmp(path, run.made_dir) != 0) {
      if (make_dir_tree(path, name_start) != 0) fatal_exit(kCannotCreateOutputDir);
      copy_text(run.made_dir, sizeof run.made_dir, path);
    }
    *last_separator = platform::kSeparator;
  }
  // A look costs less than a create that fails: most files are new, or
  // most are there already.
  if (!platform::file_exists(path)) {
    run.window.output = platform::create_new_file(path);
    if (run.window.output != platform::kNoFile) return;
  }
  if (!writes) return;
  // Something of the name is there: the bytes go to a new file beside it, of
  // a name nobody can guess (one that is taken fails like any other error).
  if (run.new_file_name[1]++ == 0) run.new_file_name[0] = platform::random_word();
  char new_path[kLongPathCapacity];
  fresh_path(path, run.new_file_name, new_path, kLongPathCapacity);
  run.window.output = platform::create_new_file(new_path);
  if (run.window.output == platform::kNoFile) fatal_exit(kErrorOpeningOutput);
  run.writing_new_file = 1;
}

void finish_entry(RunState& run, const LocalHeader& header) {
  flush_window(run.window);
  // An encrypted entry's authentication code follows its data.
  const EntryCipher& cipher = run.decryption.cipher;
  const bool proven = cipher.kind == CipherKind::kNone || finish_decryption(run.archive, run.decryption);
  // Stamped through the handle it was written by: the very file, whatever
  // the system made of its name. A move keeps its times.
  platform::stamp_file_time(run.window.output, run.entry_time, header.mod_date(), header.mod_time());
  bool closed = platform::close_file(run.window.output);
  run.window.output = platform::kNoFile;
  // A write error the system reports only at close is still a write error.
  if (!closed) fatal_exit(kErrorWritingOutput);
  if (compressed_unread(run.bits) != 0) fatal_exit(kDataIntegrityError);
  // AE-2 stores no CRC-32: the authentication code is its only check.
  const bool crc_stored = cipher.kind != CipherKind::kAes || cipher.aes_version == 1;
  if (!proven || (crc_stored && entry_crc(run.window) != header.crc32())) fatal_exit(kCrcError);
  // Proven (a later check, such as an authentication code, goes before this
  // too): the new file takes the old one's place, as it was stamped.
  if (!end_new_file(run, true)) fatal_exit(kErrorOpeningOutput);
}

void drop_unproven_output(void* run) { end_new_file(*static_cast<RunState*>(run), false); }
