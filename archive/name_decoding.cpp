#include "archive/name_decoding.h"

#include <cstring>

#include "archive/crc32.h"
#include "archive/extra_fields.h"
#include "archive/records.h"
#include "platform/oem_text.h"

namespace {

const uint8_t* bytes(const char* p) { return reinterpret_cast<const uint8_t*>(p); }

uint32_t name_crc(std::string_view name) {
  return crc32_block(0xFFFFFFFF, bytes(name.data()), name.size()) ^ 0xFFFFFFFF;
}

DecodedName copy_name(std::string_view name, char* out, size_t capacity) {
  DecodedName result;
  result.cut = name.size() > capacity;
  result.length = result.cut ? capacity : name.size();
  std::memcpy(out, name.data(), result.length);
  return result;
}

}  // namespace

std::string_view unicode_path_name(std::string_view extra, std::string_view stored) {
  // Version 1, the CRC-32 of the name it stands for, then the name.
  const std::string_view block = find_extra_block(extra, kUnicodePathExtraId);
  if (block.size() > 5 && block[0] == 1 && read_le32(bytes(block.data() + 1)) == name_crc(stored))
    return std::string_view(block.data() + 5, block.size() - 5);
  return {};
}

DecodedName decode_entry_name(std::string_view stored, uint16_t flags, std::string_view extra, char* out,
                              size_t capacity) {
  std::string_view unicode = unicode_path_name(extra, stored);
  if (!unicode.empty()) return copy_name(unicode, out, capacity);
  // Every OEM code page keeps ASCII as it is.
  if (flags & kFlagUtf8Name) return copy_name(stored, out, capacity);
  DecodedName result;
  result.length = platform::oem_to_utf8(stored, out, capacity, result.cut);
  return result;
}
