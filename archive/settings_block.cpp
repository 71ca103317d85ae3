#include "archive/settings_block.h"

#include <cstring>
#include <string_view>

#include "archive/archive_stream.h"
#include "archive/records.h"
#include "base/command_words.h"
#include "base/text.h"
#include "base/utf8.h"

namespace {

// UTF-8 without control characters: shown and used as text only.
bool is_plain_text(const uint8_t* text, uint32_t size) {
  std::string_view rest(reinterpret_cast<const char*>(text), size);
  while (!rest.empty()) {
    const auto c = static_cast<uint8_t>(rest[0]);
    const size_t n = utf8_sequence_length(rest);
    if (n == 0 || c < 0x20 || c == 0x7F) return false;
    rest.remove_prefix(n);
  }
  return true;
}

bool take_text(const uint8_t* text, uint32_t size, char* out, size_t capacity) {
  if (out[0] != '\0' || size == 0 || size >= capacity || !is_plain_text(text, size)) return false;
  copy_span(out, capacity, reinterpret_cast<const char*>(text), size);
  return true;
}

bool is_record_signature(const uint8_t* word) {
  if (read_le16(word) != kSignatureWord) return false;
  const uint16_t type = read_le16(word + 2);
  return type == kLocalHeaderType || type == kCentralHeaderType || type == kEndRecordType;
}

uint32_t padded(uint32_t size) { return (size + 3) & ~3u; }

uint32_t put_field(uint8_t* out, uint8_t tag, const char* text) {
  const auto size = static_cast<uint32_t>(std::strlen(text));
  out[0] = tag;
  out[1] = static_cast<uint8_t>(size);
  out[2] = static_cast<uint8_t>(size >> 8);
  std::memcpy(out + 3, text, size);
  return 3 + size;
}

}  // namespace

bool names_file_inside(const char* run) {
  char program[kRunCapacity];
  if (!next_word(run, program, sizeof program)) return false;
  // Each level: not empty, not "." or "..", no drive colon.
  for (const char* level = program;;) {
    const char* end = level;
    while (*end != '\0' && *end != '/' && *end != '\\') ++end;
    const auto length = static_cast<size_t>(end - level);
    if (length == 0 || std::memchr(level, ':', length) ||
        (level[0] == '.' && (length == 1 || (length == 2 && level[1] == '.'))))
      return false;
    if (*end == '\0') return true;
    level = end + 1;
  }
}

SettingsRead parse_settings(const uint8_t* fields, uint32_t size, Settings& out) {
  out = Settings{};
  bool temp_seen = false;
  for (uint32_t at = 0; at < size;) {
    if (size - at < 3) return SettingsRead::kDamaged;
    const uint8_t tag = fields[at];
    const uint32_t length = read_le16(fields + at + 1);
    at += 3;
    if (length > size - at) return SettingsRead::kDamaged;
    const uint8_t* value = fields + at;
    at += length;
    if (tag == 'T') {
      if (!take_text(value, length, out.title, sizeof out.title)) return SettingsRead::kDamaged;
    } else if (tag == 'R') {
      if (!take_text(value, length, out.run, sizeof out.run)) return SettingsRead::kDamaged;
    } else if (tag == 'M' && length == 0 && !temp_seen) {
      temp_seen = out.temp = true;
    } else {
      return SettingsRead::kDamaged;
    }
  }
  if (out.temp && out.run[0] == '\0') return SettingsRead::kDamaged;
  if (out.run[0] != '\0' && !names_file_inside(out.run)) return SettingsRead::kDamaged;
  return SettingsRead::kRead;
}

SettingsRead read_settings(const char* path, Settings& out, SettingsPlace* place) {
  out = Settings{};
  ArchiveStream s;
  if (!open_archive_stream(s, path)) return SettingsRead::kNone;
  // The last three words before the current one: where the trailer lies
  // when the current word begins the archive.
  uint8_t words[kSettingsTrailer + 4];
  uint64_t start = 0;
  bool found = false;
  while (archive_read(s, words + kSettingsTrailer, 4) == 4) {
    if (is_record_signature(words + kSettingsTrailer)) {
      found = start >= kSettingsTrailer;
      break;
    }
    std::memmove(words, words + 4, kSettingsTrailer);
    start += 4;
  }
  SettingsRead result = SettingsRead::kNone;
  if (found && std::memcmp(words + 4, kSettingsMagic, sizeof kSettingsMagic) == 0) {
    const uint32_t size = read_le32(words);
    const uint32_t block = padded(size) + kSettingsTrailer;
    uint8_t fields[kSettingsFieldsMax];
    result = SettingsRead::kDamaged;
    if (size <= kSettingsFieldsMax && block <= start && open_archive_stream(s, path) &&
        archive_skip(s, start - block) && archive_read(s, fields, size) == size) {
      result = parse_settings(fields, size, out);
      if (place) *place = {start, block};
    }
  }
  close_archive_stream(s);
  return result;
}

uint32_t encode_settings(const Settings& settings, uint8_t* out, uint32_t capacity) {
  uint8_t fields[kSettingsFieldsMax + 3];
  uint32_t size = 0;
  if (settings.title[0] != '\0') size += put_field(fields + size, 'T', settings.title);
  if (settings.run[0] != '\0') size += put_field(fields + size, 'R', settings.run);
  if (settings.temp) size += put_field(fields + size, 'M', "");
  Settings check{};
  const uint32_t block = padded(size) + kSettingsTrailer;
  if (size == 0 || block > capacity || parse_settings(fields, size, check) != SettingsRead::kRead) return 0;
  std::memset(out, 0, block);
  std::memcpy(out, fields, size);
  uint8_t* trailer = out + block - kSettingsTrailer;
  for (int i = 0; i < 4; ++i) trailer[i] = static_cast<uint8_t>(size >> (8 * i));
  std::memcpy(trailer + 4, kSettingsMagic, sizeof kSettingsMagic);
  // Nothing in the block may look like a record to the walk.
  for (uint32_t at = 0; at < block; at += 4)
    if (is_record_signature(out + at)) return 0;
  return block;
}
