// Fuzz target for one decoder through the real extraction pass. The input is
// an 8-byte prefix and then one entry's compressed data:
//   byte 0, bits 1 to 3: the entry's flags (large window, literal tree, data
//     descriptor); bits 4 and 5: added to the method (the reduction factor of
//     methods 2 to 5 in the expand target); bits 6 and 7: the compressed size
//     in the header (see claimed_size);
//   bytes 1 to 3: the uncompressed size; bytes 4 to 7: the CRC-32.
// A stored entry follows the fuzzed one, so that a completed run shows where
// the walk went on after the decoder. (A size claimed beyond the data makes the
// decoder read the stored entry as data, and the end of the file as one bits.)
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/harness.h"
#include "tests/support/zip_builder.h"

#ifndef SFX_FUZZ_METHOD
#error "SFX_FUZZ_METHOD: the compression method under test"
#endif

namespace {

constexpr size_t kPrefixSize = 8;
constexpr size_t kCompressedSizeField = 18;  // in the first local header
// Methods 2 to 5 share one decoder; the others have one method each.
constexpr int kMethodSpread = SFX_FUZZ_METHOD == 2 ? 4 : 1;

uint32_t le32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24; }

// The data's own size, 1000 bytes beyond the end of the file, or sizes that
// are negative as a signed count.
uint32_t claimed_size(uint8_t mode, size_t data_size) {
  switch (mode & 3) {
    case 0: return static_cast<uint32_t>(data_size);
    case 1: return static_cast<uint32_t>(data_size + 1000);
    case 2: return 0x80000000u;
    default: return 0xFFFFFFFFu;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  RunFolder& folder = fuzz_run_folder();
  if (size < kPrefixSize) return 0;

  ZipEntry entry;
  entry.name = "entry.bin";
  entry.method = static_cast<uint16_t>(SFX_FUZZ_METHOD + (data[0] >> 4 & 3) % kMethodSpread);
  entry.flags = data[0] & 0x0E;
  entry.uncompressed_size = le32(data) >> 8;
  entry.size_override = true;
  entry.crc = le32(data + 4);
  entry.crc_override = true;
  entry.data.assign(reinterpret_cast<const char*>(data) + kPrefixSize, size - kPrefixSize);
  ZipBuilder zip;
  zip.add(entry).add(stored_entry("tail.txt", "tail"));
  std::string archive = zip.bytes();
  uint32_t claimed = claimed_size(data[0] >> 6, entry.data.size());
  for (int i = 0; i < 4; ++i) archive[kCompressedSizeField + i] = static_cast<char>(claimed >> 8 * i);

  RunOutcome outcome = folder.extract(archive);
  require(!extraction_ending(outcome).empty(), "extraction ended in no specified way", outcome.message);
  // With the data's own size in the header, the walk must go on right after it.
  if (outcome.exit_status == 0 && (data[0] >> 6) == 0) {
    require(outcome.files_counted == 2, "a completed run did not open both files");
    require(read_file_bytes(folder.target() / "tail.txt") == "tail",
            "the walk lost its place after the decoded entry");
  }
  std::vector<std::string> strays = folder.strays();
  require(strays.empty(), "written outside the target directory", strays.empty() ? "" : strays.front());
  folder.clean();
  return 0;
}
