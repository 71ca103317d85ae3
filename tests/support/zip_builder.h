// Builds ZIP archives byte by byte for tests, with whatever fields a case
// needs (including wrong ones), plus a reference CRC-32 written bit by bit.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

uint32_t reference_crc32(const std::string& data);

struct ZipEntry {
  std::string name;
  std::string data;  // the compressed bytes as stored
  uint16_t method = 0;
  uint16_t flags = 0;
  uint32_t crc = 0;  // filled from `content` by the builder unless crc_override
  bool crc_override = false;
  uint32_t uncompressed_size = 0;
  bool size_override = false;
  std::string content;         // what the entry decodes to (for CRC and size)
  uint16_t dos_date = 0x5A65;  // 2025-03-05
  uint16_t dos_time = 0x6020;  // 12:01:00
  std::string extra;
  int64_t compressed_size = -1;  // -1: data.size()
};

ZipEntry stored_entry(const std::string& name, const std::string& content);
ZipEntry directory_entry(const std::string& name);

class ZipBuilder {
 public:
  ZipBuilder& add(const ZipEntry& entry);
  // Local headers and data, then the central directory and the end record.
  std::string bytes() const;
  // Offsets of each local header within bytes().
  std::vector<size_t> local_offsets() const;

 private:
  std::vector<ZipEntry> entries_;
};

// A program image of `image_size` bytes (no record signatures in it) followed by the archive.
std::string with_program_image(const std::string& archive, size_t image_size = 4096);

// A ZIP64 extended information field holding `values` (64 bits each).
std::string zip64_extra(const std::vector<uint64_t>& values);

// Writes and reads little-endian fields.
void put16(std::string& out, uint16_t v);
void put32(std::string& out, uint32_t v);
