#include "sfxbind/codecs/entry_encoder.h"

#include <algorithm>

#include "sfxbind/output/zip64_records.h"

namespace sfxbind {

namespace {

constexpr uint16_t kMethodFlags = 0x0006;  // bits 1 and 2: the method's own
constexpr unsigned kFlagsAfterVersion = 2, kMethodAfterVersion = 4;

}  // namespace

int highest_level(BindMethod method) {
  switch (method) {
    case BindMethod::kStore: return 0;
    case BindMethod::kDeflate: return 12;
    case BindMethod::kLzma: return 9;
  }
  return 0;
}

Encoded planned_encoding(const Encoding& encoding) {
  if (encoding.level == 0) return {};
  switch (encoding.method) {
    case BindMethod::kStore: return {};
    case BindMethod::kDeflate: return {kMethodDeflate, 0, 0};
    case BindMethod::kLzma: return {kMethodLzma, kFlagLzmaEndMarker, 0};
  }
  return {};
}

uint16_t version_needed(uint16_t method) {
  switch (method) {
    case kMethodDeflate: return 20;
    case kMethodLzma: return 63;
    default: return 10;
  }
}

void set_method_fields(Bytes& header, unsigned version_at, const Encoded& encoded) {
  uint16_t version = read_le16(&header[version_at]) == kZip64Version ? kZip64Version : 0;
  write_le16(&header[version_at], std::max(version, version_needed(encoded.method)));
  uint16_t flags = read_le16(&header[version_at + kFlagsAfterVersion]);
  write_le16(&header[version_at + kFlagsAfterVersion],
             static_cast<uint16_t>((flags & ~kMethodFlags) | encoded.flags));
  write_le16(&header[version_at + kMethodAfterVersion], encoded.method);
}

std::unique_ptr<EntryEncoder> make_encoder(const Encoding& encoding) {
  if (encoding.level == 0) return nullptr;
  switch (encoding.method) {
    case BindMethod::kStore: return nullptr;
    case BindMethod::kDeflate: return make_libdeflate_encoder(encoding.level);
    case BindMethod::kLzma: return make_lzma_encoder(encoding.level);
  }
  return nullptr;
}

Encoded write_entry_data(EntryEncoder* encoder, const ChunkOpen& open, uint64_t size, AtomicOutput& out) {
  uint64_t start = out.position();
  if (encoder && size > 0)
    if (std::optional<Encoded> encoded = encoder->encode(open(), size, out)) return *encoded;
  out.rewind(start);
  ChunkPull next = open();
  uint64_t written = 0;
  for (auto chunk = next(); !chunk.empty(); chunk = next()) out.write(chunk), written += chunk.size();
  return {kMethodStored, 0, written};
}

}  // namespace sfxbind
