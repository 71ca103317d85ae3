#include "shell/process_state.h"

#include <cstring>

#include "platform/files.h"

char* start_dir = nullptr;
char own_path[kPathCapacity];
char target_dir[kPathCapacity];
char window_caption[kPathCapacity];

void copy_span(char* out, size_t capacity, const char* text, size_t length) {
  if (length >= capacity) length = capacity - 1;
  std::memmove(out, text, length);
  out[length] = '\0';
}

void copy_text(char* out, size_t capacity, const char* text) {
  copy_span(out, capacity, text, std::strlen(text));
}

void append_text(char* out, size_t capacity, const char* text) {
  size_t used = std::strlen(out);
  if (used + 1 < capacity) copy_text(out + used, capacity - used, text);
}

namespace {

bool has_drive_prefix(const char* path) {
  return platform::kHasDrives && path[0] != '\0' && path[1] == ':';
}

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

void merge_path(char* out, const char* drive, const char* dir, const char* base_name,
                const char* ext) {
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

void upper_case(char* text) {
  for (; *text; ++text)
    if (*text >= 'a' && *text <= 'z') *text = static_cast<char>(*text - 'a' + 'A');
}

uint16_t change_drive_dir(const char* path) {
  if (path[0] == '\0') return 0;
  char remembered[kPathCapacity] = "";
  if (has_drive_prefix(path)) {
    platform::current_dir(remembered, sizeof remembered);
    char letter = path[0];
    if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 'a' + 'A');
    if (!platform::set_current_drive(letter)) return 1;
    path += 2;
  }
  if (path[0] == '\0') return 0;
  if (platform::set_current_dir(path)) return 0;
  if (remembered[0] != '\0') platform::set_current_drive(remembered[0]);
  return 2;
}
