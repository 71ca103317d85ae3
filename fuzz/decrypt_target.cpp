// Fuzz target for encrypted entries: the input's first byte says what the
// password box is given (bit 0: a wrong password first, bit 1: the right
// one, "SECRET", then; nothing: Cancel), the rest is the program file. Seeds:
// archives of 7-Zip and bsdtar with every cipher, and with cut and damaged
// salts, verifiers and authentication codes.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/harness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  std::deque<std::string> passwords;
  if (data[0] & 1) passwords.emplace_back("WRONG");
  if (data[0] & 2) passwords.emplace_back("SECRET");
  RunFolder& folder = fuzz_run_folder();
  const std::string bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
  RunOutcome extracted = folder.extract(bytes, passwords);
  require(!extraction_ending(extracted).empty(), "extraction ended in no specified way", extracted.message);
  std::vector<std::string> strays = folder.strays();
  require(strays.empty(), "written outside the target directory", strays.empty() ? "" : strays.front());
  folder.clean();
  return 0;
}
