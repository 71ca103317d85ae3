// Fuzz target for the scanner, the listing and the whole extraction pass: the
// input is the entire program file, archive and all.
#include <cstddef>
#include <cstdint>
#include <string>

#include "archive/settings_block.h"
#include "fuzz/harness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The same bytes as the fields of a settings block: refused or read whole.
  Settings settings{};
  if (parse_settings(data, static_cast<uint32_t>(size), settings) == SettingsFault::kNone)
    require(!settings.temp || settings.run[0] != '\0', "a temporary target without a program",
            settings.title);

  RunFolder& folder = fuzz_run_folder();
  const std::string bytes(reinterpret_cast<const char*>(data), size);

  RunOutcome listed = folder.list(bytes);
  require(!listing_ending(listed).empty(), "listing ended in no specified way", listed.message);
  RunOutcome extracted = folder.extract(bytes);
  require(!extraction_ending(extracted).empty(), "extraction ended in no specified way", extracted.message);
  // Both walks take the same path through the file as long as every decoded
  // entry consumed exactly its compressed size, which a completed run proves.
  if (extracted.exit_status == 0)
    require(extracted.files_counted <= listed.files_counted, "extraction opened more files than were listed");
  std::vector<std::string> strays = folder.strays();
  require(strays.empty(), "written outside the target directory", strays.empty() ? "" : strays.front());
  folder.clean();
  return 0;
}
