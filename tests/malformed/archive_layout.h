// Where the records of a well-formed archive lie, so that tests can cut and
// damage it at chosen places. The records must follow each other without
// gaps (no data descriptors), as in every archive that extracts cleanly.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

enum class RecordKind { kLocal, kCentral, kEnd };

struct RecordSpan {
  RecordKind kind;
  size_t start;       // the signature
  size_t fixed_end;   // after the fixed part
  size_t name_end;    // after the name (the end record has none)
  size_t data_start;  // after the extra field (local headers), the comment (others)
  size_t end;         // after the record, with a local header's compressed data
  uint16_t method = 0;
  // Local headers: the extraction pass opens an output file for the entry
  // (neither encrypted nor a directory), and a decoder reads its data.
  bool opens_file = false;
  bool decoded = false;
};

// Fails (empty result) when the bytes are not such an archive.
std::vector<RecordSpan> archive_layout(const std::string& archive);

// Field offsets within a record, from its signature.
inline constexpr size_t kLocalFlags = 6, kLocalCompressedSize = 18, kLocalUncompressedSize = 22,
                        kLocalNameLength = 26, kLocalExtraLength = 28;
inline constexpr size_t kCentralNameLength = 28, kCentralExtraLength = 30, kCentralCommentLength = 32;
inline constexpr size_t kEndCommentLength = 20, kEndCentralSize = 12, kEndCentralOffset = 16;

void poke16(std::string& bytes, size_t at, uint16_t value);
void poke32(std::string& bytes, size_t at, uint32_t value);
