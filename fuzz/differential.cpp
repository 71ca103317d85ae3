#include "fuzz/differential.h"

#include "fuzz/harness.h"
#include "tests/support/zip_builder.h"

std::string shape_data(uint8_t shape, const uint8_t* seed, size_t size) {
  std::string out;
  const int repeats = 1 + (shape >> 2) % 32;
  switch (shape & 3) {
    case 0: out.assign(reinterpret_cast<const char*>(seed), size); break;
    case 1:  // the seed again and again, one byte changed in each copy
      for (int r = 0; r < repeats; ++r) {
        size_t at = out.size();
        out.append(reinterpret_cast<const char*>(seed), size);
        if (size) out[at + r % size] = static_cast<char>(r);
      }
      break;
    case 2:  // runs: each seed byte gives a value and a length
      for (size_t i = 0; i < size; ++i)
        out.append(1 + (seed[i] & 0x3F) * repeats % 300, static_cast<char>(seed[i] >> 6));
      break;
    default: {  // words from a small vocabulary
      static const char* const kWords[] = {"the ", "stub ", "window ", "inflate ", "a", "\n", "zip ", "of "};
      for (int r = 0; r < repeats; ++r)
        for (size_t i = 0; i < size; ++i) out += kWords[seed[i] & 7];
    }
  }
  return out;
}

void damage(std::string& stream, const uint8_t* d) {
  if (stream.empty()) return;
  size_t at = (d[0] | d[1] << 8) % stream.size();
  uint8_t value = d[2] >> 2;
  switch (d[2] & 3) {
    case 0: stream[at] = static_cast<char>(stream[at] ^ (1 << (value & 7))); break;
    case 1: stream[at] = static_cast<char>(value << 2 | value >> 4); break;
    case 2: stream.resize(at); break;
    default: stream.insert(at, 1, static_cast<char>(value)); break;
  }
}

OursResult run_ours(uint16_t method, uint16_t flags, const std::string& stream, uint32_t crc, uint64_t size) {
  ZipEntry entry;
  entry.name = "entry.bin";
  entry.method = method;
  entry.flags = flags;
  entry.data = stream;
  entry.crc = crc;
  entry.crc_override = true;
  entry.uncompressed_size = static_cast<uint32_t>(size);
  entry.size_override = true;
  RunFolder& folder = fuzz_run_folder();
  RunOutcome outcome = folder.extract(ZipBuilder().add(entry).bytes());
  OursResult r{extraction_ending(outcome), read_file_bytes(folder.target() / "entry.bin")};
  require(!r.ending.empty(), "extraction ended in no specified way", outcome.message);
  std::vector<std::string> strays = folder.strays();
  require(strays.empty(), "written outside the target directory", strays.empty() ? "" : strays.front());
  folder.clean();
  return r;
}
