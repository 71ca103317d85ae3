#include "tests/malformed/archive_layout.h"

#include "archive/entry_policy.h"

namespace {

uint32_t peek(const std::string& b, size_t at, int width) {
  uint32_t v = 0;
  for (int i = width - 1; i >= 0; --i) v = v << 8 | static_cast<uint8_t>(b[at + i]);
  return v;
}

}  // namespace

std::vector<RecordSpan> archive_layout(const std::string& b) {
  std::vector<RecordSpan> records;
  size_t at = 0;
  while (at + 4 <= b.size()) {
    uint32_t signature = peek(b, at, 4);
    RecordSpan r{};
    r.start = at;
    if (signature == 0x04034B50 && at + 30 <= b.size()) {
      r.kind = RecordKind::kLocal;
      r.fixed_end = at + 30;
      r.name_end = r.fixed_end + peek(b, at + kLocalNameLength, 2);
      r.data_start = r.name_end + peek(b, at + kLocalExtraLength, 2);
      r.end = r.data_start + peek(b, at + kLocalCompressedSize, 4);
      r.method = static_cast<uint16_t>(peek(b, at + 8, 2));
      bool encrypted = peek(b, at + kLocalFlags, 2) & 1;
      bool directory = r.name_end > r.fixed_end && (b[r.name_end - 1] == '/' || b[r.name_end - 1] == '\\');
      r.opens_file = !encrypted && !directory;
      r.decoded = r.opens_file && method_supported(r.method);
    } else if (signature == 0x02014B50 && at + 46 <= b.size()) {
      r.kind = RecordKind::kCentral;
      r.fixed_end = at + 46;
      r.name_end = r.fixed_end + peek(b, at + kCentralNameLength, 2);
      r.data_start = r.end =
          r.name_end + peek(b, at + kCentralExtraLength, 2) + peek(b, at + kCentralCommentLength, 2);
    } else if (signature == 0x06054B50 && at + 22 <= b.size()) {
      r.kind = RecordKind::kEnd;
      r.fixed_end = r.name_end = at + 22;
      r.data_start = r.end = r.fixed_end + peek(b, at + kEndCommentLength, 2);
    } else {
      return {};
    }
    if (r.end > b.size()) return {};
    records.push_back(r);
    at = r.end;
  }
  if (at != b.size()) return {};
  return records;
}

void poke16(std::string& bytes, size_t at, uint16_t value) {
  bytes[at] = static_cast<char>(value & 0xFF);
  bytes[at + 1] = static_cast<char>(value >> 8);
}

void poke32(std::string& bytes, size_t at, uint32_t value) {
  poke16(bytes, at, static_cast<uint16_t>(value & 0xFFFF));
  poke16(bytes, at + 2, static_cast<uint16_t>(value >> 16));
}
