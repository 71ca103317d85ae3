#include "archive/settings_block.h"

#include <cstring>
#include <string_view>

#include "archive/archive_stream.h"
#include "archive/records.h"
#include "base/command_words.h"
#include "base/text.h"
#include "base/utf8.h"
#include "platform/files.h"

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
  if (size == 0 || size >= capacity || !is_plain_text(text, size)) return false;
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

SettingsFault program_fault(const char* run, NameProblem* problem) {
  char program[kRunCapacity];
  if (!next_word(run, program, sizeof program)) return SettingsFault::kProgramPath;
  // The rules pass over empty levels, which here would make the path absolute.
  for (const char *c = program, *level = program;; ++c) {
    if (*c != '\0' && !platform::is_separator(*c)) continue;
    if (c == level) return SettingsFault::kProgramPath;
    if (*c == '\0') break;
    level = c + 1;
  }
  const std::string_view path(program);
  const NameProblem found = judge_entry_name<NameSystem::kWindows>(path, 0);
  if (problem) *problem = found;
  return found == NameProblem::kNone ? SettingsFault::kNone : SettingsFault::kProgramName;
}

SettingsFault parse_settings(const uint8_t* fields, uint32_t size, Settings& out) {
  out = Settings{};
  bool temp_seen = false;
  for (uint32_t at = 0; at < size;) {
    if (size - at < 3) return SettingsFault::kField;
    const uint8_t tag = fields[at];
    const uint32_t length = read_le16(fields + at + 1);
    at += 3;
    if (length > size - at) return SettingsFault::kField;
    const uint8_t* value = fields + at;
    at += length;
    char* text = tag == 'T' ? out.title : tag == 'R' ? out.run : nullptr;
    const size_t capacity = tag == 'T' ? sizeof out.title : sizeof out.run;
    if (text && text[0] != '\0') return SettingsFault::kField;
    if (text && !take_text(value, length, text, capacity)) return SettingsFault::kText;
    if (!text && (tag != 'M' || length != 0 || temp_seen)) return SettingsFault::kField;
    if (!text) temp_seen = out.temp = true;
  }
  if (out.temp && out.run[0] == '\0') return SettingsFault::kTempWithoutRun;
  if (out.run[0] != '\0') return program_fault(out.run);
  return SettingsFault::kNone;
}

namespace {

// The block whose trailer is `trailer`, which ends at `start`: read whole
// and checked, with the stream `s` opened afresh.
SettingsFault read_block(ArchiveStream& s, const char* path, const uint8_t* trailer, uint64_t start,
                         Settings& out) {
  if (trailer[4 + kSettingsMark] != kSettingsMagic[kSettingsMark]) return SettingsFault::kVersion;
  const uint32_t size = read_le32(trailer);
  if (size == 0 || size > kSettingsFieldsMax) return SettingsFault::kFieldsLength;
  const uint32_t fields_size = padded(size);
  if (fields_size + kSettingsTrailer > start || !open_archive_stream(s, path) ||
      !archive_skip(s, start - kSettingsTrailer - fields_size))
    return SettingsFault::kBeforeFile;
  uint8_t fields[kSettingsFieldsMax];
  if (archive_read(s, fields, fields_size) != fields_size) return SettingsFault::kBeforeFile;
  for (uint32_t i = size; i < fields_size; ++i)
    if (fields[i] != 0) return SettingsFault::kPadding;
  return parse_settings(fields, size, out);
}

}  // namespace

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
  if (found && std::memcmp(words + 4, kSettingsMagic, kSettingsMark) == 0) {
    const SettingsFault fault = read_block(s, path, words, start, out);
    result = fault == SettingsFault::kNone ? SettingsRead::kRead : SettingsRead::kDamaged;
    if (place) *place = {start, padded(read_le32(words)) + kSettingsTrailer, fault};
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
  if (size == 0 || block > capacity || parse_settings(fields, size, check) != SettingsFault::kNone) return 0;
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
