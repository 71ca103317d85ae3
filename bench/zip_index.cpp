#include "bench/zip_index.h"

#include <algorithm>
#include <cstring>
#include <fstream>

std::vector<uint8_t> read_whole_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  std::vector<uint8_t> data(in ? static_cast<size_t>(in.tellg()) : 0);
  in.seekg(0);
  in.read(reinterpret_cast<char*>(data.data()), static_cast<std::streamsize>(data.size()));
  return data;
}

namespace {

bool has_signature(const std::vector<uint8_t>& data, size_t at, uint16_t type) {
  return at + 4 <= data.size() && read_le16(&data[at]) == kSignatureWord && read_le16(&data[at + 2]) == type;
}

}  // namespace

std::vector<ZipEntry> read_zip_index(const std::string& path) {
  std::vector<ZipEntry> entries;
  const std::vector<uint8_t> data = read_whole_file(path);
  if (data.size() < 22) return entries;
  size_t end = data.size() - 22;
  const size_t lowest = end > 0xFFFF ? end - 0xFFFF : 0;
  while (!has_signature(data, end, kEndRecordType))
    if (end-- == lowest) return entries;
  const uint16_t count = read_le16(&data[end + 10]);
  size_t at = read_le32(&data[end + 16]);
  for (uint16_t i = 0; i < count; ++i) {
    if (!has_signature(data, at, kCentralHeaderType) || at + 46 > data.size()) return {};
    const uint8_t* c = &data[at];
    const size_t name_length = read_le16(c + 28);
    const size_t local = read_le32(c + 42);
    if (!has_signature(data, local, kLocalHeaderType) || local + kLocalHeaderFixed + 4 > data.size())
      return {};
    ZipEntry entry;
    entry.name.assign(reinterpret_cast<const char*>(c + 46), std::min(name_length, data.size() - at - 46));
    std::memcpy(entry.item.header.bytes, &data[local], sizeof entry.item.header.bytes);
    const LocalHeader& h = entry.item.header;
    entry.item.data_offset = local + 30 + h.name_length() + h.extra_length();
    entries.push_back(entry);
    at += 46 + name_length + read_le16(c + 30) + read_le16(c + 32);
  }
  return entries;
}
