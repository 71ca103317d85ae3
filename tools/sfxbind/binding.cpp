#include "tools/sfxbind/binding.h"

namespace sfxbind {

namespace {

constexpr uint32_t kZip64Marker = 0xFFFFFFFF;

void put_offset(Bytes& archive, uint64_t field, bool wide, uint64_t value) {
  if (wide) {
    write_le64(&archive[field], value);
    return;
  }
  // 0xFFFFFFFF would announce a ZIP64 field the archive does not have.
  if (value >= kZip64Marker) throw BindError("the bound file would put records past 4 GiB, which needs ZIP64 fields the archive lacks");
  write_le32(&archive[field], static_cast<uint32_t>(value));
}

}  // namespace

StubKind stub_kind(std::span<const uint8_t> stub) {
  return stub.size() >= 2 && stub[0] == 'M' && stub[1] == 'Z' ? StubKind::kWindows : StubKind::kLinux;
}

std::optional<uint64_t> aligned_record_signature(const Bytes& padded) {
  for (uint64_t at = 0; at + 4 <= padded.size(); at += 4)
    if (has_signature(padded, at, kLocalHeaderType) || has_signature(padded, at, kCentralHeaderType) ||
        has_signature(padded, at, kEndRecordType))
      return at;
  return std::nullopt;
}

Bytes padded_stub(std::span<const uint8_t> stub) {
  if (stub.empty()) throw BindError("the stub is empty");
  Bytes padded(stub.begin(), stub.end());
  padded.resize((padded.size() + 3) / 4 * 4, 0);
  if (std::optional<uint64_t> at = aligned_record_signature(padded))
    throw BindError("the stub holds a ZIP record signature at offset " + std::to_string(*at) +
                    ", where the self-extractor's walk would take it for a record");
  return padded;
}

void shift_offsets(Bytes& archive, const ZipLayout& layout, uint64_t prefix) {
  for (const CentralEntry& e : layout.entries)
    put_offset(archive, e.offset_field, e.offset_field_is_64, e.local_header + prefix);
  uint64_t end_field = layout.end_record + 16;
  if (!layout.zip64 || read_le32(&archive[end_field]) != kZip64Marker)
    put_offset(archive, end_field, false, layout.central_dir + prefix);
  if (layout.zip64) {
    write_le64(&archive[layout.zip64_end_record + 48], layout.central_dir + prefix);
    write_le64(&archive[layout.zip64_locator + 8], layout.zip64_end_record + prefix);
  }
}

}  // namespace sfxbind
