#include "shell/target_dir.h"

#include <cstring>

#include "base/fatal.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "shell/extract_handler.h"

void prepare_run(RunState& run) {
  char* extract_dir = run.paths.extract_dir;
  copy_text(extract_dir, kLongPathCapacity, run.paths.target_dir);
  size_t n = std::strlen(extract_dir);
  if (n > 0) extract_dir[n - 1] = '\0';  // the trailing separator
  char archive_path[kPathCapacity];
  copy_text(archive_path, sizeof archive_path, run.paths.own_path);
  if (platform::kCaseInsensitiveNames) {
    upper_case(extract_dir);
    upper_case(archive_path);
  }
  // Each pass reads from the first byte; the previous pass's stream is closed first.
  if (!open_archive_stream(run.archive, archive_path)) fatal_exit(kErrorReadingSfxFile);
  if (extract_dir[0] != '\0' && change_drive_dir(extract_dir) != 0) {
    if (run.listing_mode == 0) {
      if (create_dirs == 0) fatal_exit(kCannotCreateOutputDir);
      if (make_dir_tree(extract_dir, 0) != 0) fatal_exit(kOutputDirNotAvailable);
    }
    // Entries are written by their full paths: a target too long to be made
    // current serves as it is, in both passes (the listing's is always made).
    if (change_drive_dir(extract_dir) != 0) {
      run.target_not_current = 1;
      return;
    }
  }
  // The target as the system names it; one that cannot be read back is no
  // target at all.
  if (!platform::current_dir(extract_dir, kLongPathCapacity)) fatal_exit(kOutputDirNotAvailable);
}
