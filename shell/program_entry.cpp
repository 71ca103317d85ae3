#include "shell/program_entry.h"

#include <cstdlib>
#include <cstring>

#include "archive/run_state.h"
#include "archive/scanner.h"
#include "archive/settings_block.h"
#include "base/fatal.h"
#include "platform/dialog_controls.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/temp_dir.h"
#include "shell/extract_handler.h"
#include "shell/main_dialog.h"
#include "shell/run_after.h"
#include "shell/target_dir.h"
#include "shell/unattended_front_end.h"

namespace {

#ifdef _WIN32
constexpr platform::FileHandle kDefaultLog = platform::kNoFile;
constexpr bool kLogMustOpen = true;  // nothing else would carry a stop's message
#else
constexpr platform::FileHandle kDefaultLog = 2;  // standard error
constexpr bool kLogMustOpen = false;             // standard error carries it instead
#endif

// The private temporary target, removed however the process ends.
char temp_target[kLongPathCapacity];
bool unattended_run;  // /S or /P: a file left in it is named in the log

// Not const: the constants' section is full to its 512-byte step, this one is not.
char file_left_text[] = "File in use, left behind: ";

// (An empty path names no folder: removing it does nothing.)
void remove_temp_target() {
  char line[sizeof file_left_text + kLongPathCapacity];
  std::memcpy(line, file_left_text, sizeof file_left_text - 1);
  char* held = line + sizeof file_left_text - 1;
  if (!platform::remove_tree(temp_target, held, kLongPathCapacity) && unattended_run)
    installed_front_end().show_message(BoxOwner::kNone, line, "");
  temp_target[0] = '\0';
}

void set_target(RunPaths& paths, const char* dir) {
  copy_text(paths.target_dir, sizeof paths.target_dir, dir);
  const char separator[2] = {platform::kSeparator, '\0'};
  append_text(paths.target_dir, sizeof paths.target_dir, separator);
}

// The target of --temp or /D: made before anything is shown. A /D= longer
// than the system takes is refused before any level of it is made.
void choose_target(RunPaths& paths, const Settings& settings, const StubOptions& options) {
  char dir[kLongPathCapacity];
  if (settings.temp) {
    if (!platform::make_private_temp_dir(temp_target, sizeof temp_target)) fatal_exit(kOutputDirNotAvailable);
    std::atexit(remove_temp_target);
    set_target(paths, temp_target);
  } else if (options.target[0] != '\0') {
    if (!platform::full_path(options.target, dir, sizeof dir) || make_dir_tree(dir, 0) != 0)
      fatal_exit(kOutputDirNotAvailable);
    set_target(paths, dir);
  }
}

void extract_without_dialog(RunState& run) {
  prepare_run(run);
  scan_archive(run, extract_handler);
  change_drive_dir(run.paths.start_dir);
}

int after_extraction(const RunState& run, const Settings& settings, const StubOptions& options) {
  if (run.skipped != 0) return run.unattended ? kSkippedEntriesStatus : 0;
  if (settings.run[0] == '\0') return 0;
  if (!run.end_record_seen) fatal_exit(kDataIntegrityError);
  return run_after(run, settings.run, options);
}

}  // namespace

int program_entry(FrontEnd& front_end, const StubOptions& options) {
  // The run's one state: every pass and every exit happens inside this call.
  // (Not static: the initialised record would add its size to the Win32
  // stub's file, and a function-local static's guard the C++ runtime's
  // exception machinery.)
  RunState run;
  RunPaths& paths = run.paths;
  install_front_end({&front_end, paths.window_caption, paths.start_dir, change_drive_dir});
  platform::current_dir(paths.start_dir, kPathCapacity);
  platform::module_path(paths.own_path, sizeof paths.own_path);
  char drive[kDriveCapacity], dir[kPartCapacity], base_name[kPartCapacity], ext[kPartCapacity];
  split_path(paths.own_path, drive, dir, base_name, ext);
  merge_path(paths.target_dir, drive, dir, nullptr, nullptr);
  copy_text(paths.window_caption, sizeof paths.window_caption, base_name);
  append_text(paths.window_caption, sizeof paths.window_caption, ext);
  platform::FileHandle log = options.log[0] ? platform::open_for_writing(options.log) : kDefaultLog;
  const bool log_lost = log == platform::kNoFile && options.log[0] != '\0';
  if (log_lost) log = kDefaultLog;
  UnattendedFrontEnd unattended(options.silent ? nullptr : &front_end, front_end, log);
  if (options.unattended()) {
    // A log that cannot be opened is a stop of its own: in a box under /P.
    if (kLogMustOpen && log_lost) {
      if (options.silent)
        install_front_end({&unattended, paths.window_caption, paths.start_dir, change_drive_dir});
      fatal_exit(kErrorOpeningOutput);
    }
    install_front_end({&unattended, paths.window_caption, paths.start_dir, change_drive_dir});
    run.unattended = 1;
    unattended_run = true;
  }
  if (options.password[0] != '\0') {
    copy_text(run.password, sizeof run.password, options.password);
    run.password_known = 1;
  }
  Settings settings{};
  if (read_settings(paths.own_path, settings) == SettingsRead::kDamaged) fatal_exit(kSettingsDamaged);
  if (settings.title[0] != '\0') copy_text(paths.window_caption, sizeof paths.window_caption, settings.title);
  if (options.help) {
    // Under /S nothing waits and nothing is shown: the list goes to the /L file only.
    if (!options.silent)
      platform::show_usage(kUsageText, paths.window_caption);
    else if (options.log[0] != '\0')
      unattended.write_log(kUsageText);
    return 0;
  }
  choose_target(paths, settings, options);
  if (options.silent) {
    extract_without_dialog(run);
  } else {
    if (settings.temp) platform::hide_target_controls();
    MainDialog dialog(run, settings.run, options.passive);
    platform::run_main_dialog(dialog, paths.window_caption);
  }
  // A fatal exit leaves these to the process exit; a completed run releases them.
  release_decryption(run.decryption);
  close_archive_stream(run.archive);
  release_window(run.window);
  const int status = after_extraction(run, settings, options);
  remove_temp_target();  // while the log is open
  return status;
}
