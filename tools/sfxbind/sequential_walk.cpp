#include "tools/sfxbind/sequential_walk.h"

namespace sfxbind {

std::vector<uint64_t> walk_local_headers(const Bytes& a) {
  std::vector<uint64_t> found;
  uint64_t at = 0;
  while (at + 4 <= a.size()) {
    uint64_t record = at;
    at += 4;
    if (read_le16(&a[record]) != kSignatureWord) continue;
    uint16_t type = read_le16(&a[record + 2]);
    if (type == kLocalHeaderType) {
      if (record + 30 > a.size()) break;
      const uint8_t* h = &a[record];
      at = record + 30 + read_le16(h + 26) + read_le16(h + 28);
      if (at > a.size()) break;  // cut short: the walk ends before the entry
      found.push_back(record);
      at += read_le32(h + 18);
    } else if (type == kCentralHeaderType) {
      if (record + 46 > a.size()) break;
      const uint8_t* h = &a[record];
      at = record + 46 + read_le16(h + 28) + read_le16(h + 30) + read_le16(h + 32);
    } else if (type == kEndRecordType) {
      if (record + 22 > a.size()) break;
      at = record + 22 + read_le16(&a[record + 20]);
    }
  }
  return found;
}

}  // namespace sfxbind
