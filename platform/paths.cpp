#include "platform/paths.h"

#include <cstring>

#include "platform/files.h"
#include "platform/temp_dir.h"

namespace {

bool has_drive_prefix(const char* path) { return platform::kHasDrives && path[0] != '\0' && path[1] == ':'; }

void put_part(char* out, size_t capacity, const char* from, size_t length) {
  if (out) copy_span(out, capacity, from, length);
}

}  // namespace

void split_path(const char* path, char* drive, char* dir, char* base_name, char* ext) {
  const char* rest = path;
  if (has_drive_prefix(path)) rest = path + 2;
  put_part(drive, kDriveCapacity, path, static_cast<size_t>(rest - path));

  const char* name = rest;
  for (const char* p = rest; *p; ++p)
    if (platform::is_separator(*p)) name = p + 1;
  put_part(dir, kPartCapacity, rest, static_cast<size_t>(name - rest));

  const char* end = name + std::strlen(name);
  const char* dot = std::strrchr(name, '.');
  if (!dot) dot = end;
  put_part(ext, kPartCapacity, dot, static_cast<size_t>(end - dot));
  put_part(base_name, kPartCapacity, name, static_cast<size_t>(dot - name));
}

void merge_path(char* out, const char* drive, const char* dir, const char* base_name, const char* ext) {
  auto present = [](const char* t) { return t && *t; };
  out[0] = '\0';
  if (present(drive)) {
    const char letter[3] = {drive[0], ':', '\0'};
    append_text(out, kPathCapacity, letter);
  }
  if (present(dir)) {
    append_text(out, kPathCapacity, dir);
    if (!platform::is_separator(dir[std::strlen(dir) - 1])) {
      const char separator[2] = {platform::kSeparator, '\0'};
      append_text(out, kPathCapacity, separator);
    }
  }
  if (present(base_name)) append_text(out, kPathCapacity, base_name);
  if (present(ext)) {
    if (ext[0] != '.') append_text(out, kPathCapacity, ".");
    append_text(out, kPathCapacity, ext);
  }
}

uint16_t change_drive_dir(const char* path) {
  if (path[0] == '\0') return 0;
  char remembered[kPathCapacity] = "";
  if (has_drive_prefix(path)) {
    platform::current_dir(remembered, sizeof remembered);
    if (!platform::set_current_drive(ascii_upper(path[0]))) return 1;
    path += 2;
  }
  if (path[0] == '\0') return 0;
  if (platform::set_current_dir(path)) return 0;
  if (remembered[0] != '\0') platform::set_current_drive(remembered[0]);
  return 2;
}

int make_dir_tree(char* path, size_t existing) {
  if (platform::is_directory(path)) return 0;
  // Level by level: a level that is there already fails harmlessly. Every
  // level from the first one made is this call's own.
  char* first_made = nullptr;  // where the first level made ends
  char first_end = '\0';       // the character there
  for (char* p = path + existing;; ++p) {
    const char c = *p;
    if (c != '\0' && !platform::is_separator(c)) continue;
    *p = '\0';
    if (platform::create_dir(path) && !first_made) first_made = p, first_end = c;
    *p = c;
    if (c == '\0') break;
  }
  if (platform::is_directory(path)) return 0;
  // Undone: below the first level made, nothing is older than this call.
  if (first_made) {
    *first_made = '\0';
    platform::remove_tree(path);
    *first_made = first_end;
  }
  return -1;
}

void fresh_path(const char* beside, const uint32_t tag[2], char* out, size_t capacity) {
  size_t dir_length = 0;
  for (size_t i = 0; beside[i] != '\0'; ++i)
    if (platform::is_separator(beside[i])) dir_length = i + 1;
  copy_span(out, capacity, beside, dir_length);
  format_text(out + dir_length, capacity - dir_length, "sfx-%08x%08x", tag[0], tag[1]);
}

