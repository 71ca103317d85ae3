#include "shell/target_dir.h"

#include <cstring>

#include "archive/archive_stream.h"
#include "platform/files.h"
#include "shell/fatal.h"

char extract_dir[kPathCapacity];
int32_t listing_mode = 0;

int make_dir_tree(const char* path) {
  using platform::CreateDirResult;
  CreateDirResult result = platform::create_dir(path);
  if (result == CreateDirResult::kCreated) return 0;
  if (result == CreateDirResult::kAccessDenied) return -1;
  const char* last = nullptr;
  for (const char* p = path; *p; ++p)
    if (platform::is_separator(*p)) last = p;
  if (!last) return -1;
  char parent[kPathCapacity];
  copy_span(parent, sizeof parent, path, static_cast<size_t>(last - path));
  make_dir_tree(parent);
  return platform::create_dir(path) == CreateDirResult::kCreated ? 0 : -1;
}

uint8_t make_and_enter_path(const char* path) {
  char remembered[kPathCapacity];
  platform::current_dir(remembered, sizeof remembered);
  auto give_up = [&](uint8_t result) {
    change_drive_dir(remembered);
    return result;
  };
  const char* rest = path;
  if (platform::kHasDrives && rest[0] != '\0' && rest[1] == ':') {
    char letter = rest[0] >= 'a' && rest[0] <= 'z' ? static_cast<char>(rest[0] - 'a' + 'A') : rest[0];
    if (!platform::set_current_drive(letter)) return give_up(254);
    rest += 2;
  }
  if (platform::is_separator(rest[0])) {
    const char root[2] = {platform::kSeparator, '\0'};
    platform::set_current_dir(root);
    ++rest;
  }
  while (*rest) {
    while (platform::is_separator(*rest)) ++rest;
    size_t n = 0;
    while (rest[n] && !platform::is_separator(rest[n])) ++n;
    if (n == 0) break;
    char component[kPathCapacity];
    copy_span(component, sizeof component, rest, n);
    rest += n;
    if (platform::set_current_dir(component)) continue;
    if (make_dir_tree(component) != 0) return give_up(255);
    platform::set_current_dir(component);
  }
  return 0;
}

int remove_existing_file(const char* path) {
  if (platform::delete_file(path)) return 0;
  if (!platform::make_file_normal(path)) return -1;
  return platform::delete_file(path) ? 0 : -1;
}

void prepare_run() {
  copy_text(extract_dir, sizeof extract_dir, target_dir);
  size_t n = std::strlen(extract_dir);
  if (n > 0) extract_dir[n - 1] = '\0';  // the trailing separator
  char archive_path[kPathCapacity];
  copy_text(archive_path, sizeof archive_path, own_path);
  if (platform::kCaseInsensitiveNames) {
    upper_case(extract_dir);
    upper_case(archive_path);
  }
  // Each pass reads from the first byte; the previous pass's stream is closed first.
  if (!open_archive_stream(archive_path)) fatal_exit(kErrorReadingSfxFile);
  if (extract_dir[0] != '\0' && change_drive_dir(extract_dir) != 0 && listing_mode == 0) {
    if (create_dirs == 0) fatal_exit(kCannotCreateOutputDir);
    if (make_and_enter_path(extract_dir) != 0) fatal_exit(kOutputDirNotAvailable);
  }
  platform::current_dir(extract_dir, sizeof extract_dir);
}
