#include "sfxbind/output/binding.h"

namespace sfxbind {

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

}  // namespace sfxbind
