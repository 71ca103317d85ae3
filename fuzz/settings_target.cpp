// Fuzz target for the settings block as the stub reads it: the input is the
// whole program file, read through read_settings from a file on disk. A
// block is read whole or refused with one fault; what is read holds together
// (the binder writes it again, and that block reads back the same); the
// program it names lies below the target.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "archive/records.h"
#include "archive/settings_block.h"
#include "fuzz/harness.h"

namespace {

bool same(const Settings& a, const Settings& b) {
  return std::strcmp(a.title, b.title) == 0 && std::strcmp(a.run, b.run) == 0 && a.temp == b.temp;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static TempDir folder;
  const fs::path program = folder / "program.bin";
  write_file_bytes(program, std::string(reinterpret_cast<const char*>(data), size));
  Settings settings{};
  SettingsPlace place;
  const SettingsRead read = read_settings(program.string().c_str(), settings, &place);
  require((read == SettingsRead::kDamaged) == (place.fault != SettingsFault::kNone), "a fault without damage",
          settings_fault_reason(place.fault));
  if (read != SettingsRead::kRead) return 0;
  require(place.block_size % 4 == 0 && place.block_size <= place.archive_start && place.archive_start <= size,
          "a block outside the file");
  require(!settings.temp || settings.run[0] != '\0', "a temporary target without a program");
  require(settings.run[0] == '\0' || program_fault(settings.run) == SettingsFault::kNone,
          "a program outside the target", settings.run);
  uint8_t block[kSettingsFieldsMax + kSettingsTrailer];
  const uint32_t written = encode_settings(settings, block, sizeof block);
  require(written != 0, "read settings the binder would not write", settings.title);
  Settings again{};
  require(
      parse_settings(block, read_le32(block + written - kSettingsTrailer), again) == SettingsFault::kNone &&
          same(again, settings),
      "written again, read back otherwise", settings.run);
  return 0;
}
