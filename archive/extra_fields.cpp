#include "archive/extra_fields.h"

#include "archive/records.h"

std::string_view find_extra_block(std::string_view extra, uint16_t id) {
  while (extra.size() >= 4) {
    const auto* p = reinterpret_cast<const uint8_t*>(extra.data());
    const uint16_t block_id = read_le16(p), length = read_le16(p + 2);
    if (length > extra.size() - 4) break;  // a block running past the field: nothing more to trust
    // Not substr(): it would bring the exception machinery into the stub.
    if (block_id == id) return std::string_view(extra.data() + 4, length);
    extra.remove_prefix(4 + length);
  }
  return {};
}
