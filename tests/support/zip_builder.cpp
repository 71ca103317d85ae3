#include "tests/support/zip_builder.h"

uint32_t reference_crc32(const std::string& data) {
  uint32_t crc = 0xFFFFFFFFu;
  for (unsigned char c : data) {
    crc ^= c;
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
  }
  return ~crc;
}

void put16(std::string& out, uint16_t v) {
  out.push_back(static_cast<char>(v & 0xFF));
  out.push_back(static_cast<char>(v >> 8));
}

void put32(std::string& out, uint32_t v) {
  put16(out, static_cast<uint16_t>(v & 0xFFFF));
  put16(out, static_cast<uint16_t>(v >> 16));
}

ZipEntry stored_entry(const std::string& name, const std::string& content) {
  ZipEntry e;
  e.name = name;
  e.data = content;
  e.content = content;
  return e;
}

ZipEntry directory_entry(const std::string& name) { return stored_entry(name, ""); }

ZipBuilder& ZipBuilder::add(const ZipEntry& entry) {
  ZipEntry e = entry;
  if (!e.crc_override) e.crc = reference_crc32(e.content);
  if (!e.size_override) e.uncompressed_size = static_cast<uint32_t>(e.content.size());
  entries_.push_back(e);
  return *this;
}

namespace {
uint32_t compressed_size_of(const ZipEntry& e) {
  return e.compressed_size < 0 ? static_cast<uint32_t>(e.data.size())
                               : static_cast<uint32_t>(e.compressed_size);
}

void put_common(std::string& out, const ZipEntry& e) {
  put16(out, e.flags);
  put16(out, e.method);
  put16(out, e.dos_time);
  put16(out, e.dos_date);
  put32(out, e.crc);
  put32(out, compressed_size_of(e));
  put32(out, e.uncompressed_size);
  put16(out, static_cast<uint16_t>(e.name.size()));
  put16(out, static_cast<uint16_t>(e.extra.size()));
}
}  // namespace

std::vector<size_t> ZipBuilder::local_offsets() const {
  std::vector<size_t> offsets;
  size_t at = 0;
  for (const ZipEntry& e : entries_) {
    offsets.push_back(at);
    at += 30 + e.name.size() + e.extra.size() + e.data.size();
  }
  return offsets;
}

std::string ZipBuilder::bytes() const {
  std::string out;
  std::vector<size_t> offsets = local_offsets();
  for (const ZipEntry& e : entries_) {
    out += "PK\x03\x04";
    put16(out, 20);
    put_common(out, e);
    out += e.name + e.extra + e.data;
  }
  size_t central = out.size();
  for (size_t i = 0; i < entries_.size(); ++i) {
    const ZipEntry& e = entries_[i];
    out += "PK\x01\x02";
    put16(out, 20);
    put16(out, 20);
    put_common(out, e);
    put16(out, 0);  // comment
    put16(out, 0);  // disk
    put16(out, 0);  // internal attributes
    put32(out, 0);  // external attributes
    put32(out, static_cast<uint32_t>(offsets[i]));
    out += e.name + e.extra;
  }
  size_t central_size = out.size() - central;
  out += "PK\x05\x06";
  put16(out, 0);
  put16(out, 0);
  put16(out, static_cast<uint16_t>(entries_.size()));
  put16(out, static_cast<uint16_t>(entries_.size()));
  put32(out, static_cast<uint32_t>(central_size));
  put32(out, static_cast<uint32_t>(central));
  put16(out, 0);
  return out;
}

std::string zip64_extra(const std::vector<uint64_t>& values) {
  std::string out;
  put16(out, 0x0001);
  put16(out, static_cast<uint16_t>(8 * values.size()));
  for (uint64_t v : values) {
    put32(out, static_cast<uint32_t>(v));
    put32(out, static_cast<uint32_t>(v >> 32));
  }
  return out;
}

std::string with_program_image(const std::string& archive, size_t image_size) {
  std::string image(image_size, '\0');
  for (size_t i = 0; i < image_size; ++i) image[i] = static_cast<char>((i * 7 + 3) & 0x7F);
  return image + archive;
}
