#include "sfxbind/input/stub_walk.h"

#include <memory>

#include "archive/scanner.h"
#include "sfxbind/byte_fields.h"
#include "sfxbind/input/stub_code.h"

namespace sfxbind {

namespace {

void collect(RunState& run, int16_t phase, uint8_t* record_buffer) {
  if (phase != kScanLocalHeader) return;
  const LocalHeader& header = record_at<LocalHeader>(record_buffer);
  static_cast<std::vector<WalkedEntry>*>(run.walk_context)
      ->push_back({run.entry_name.full_name, entry_action(header, run.entry_sizes, run.entry_name)});
  archive_skip(run.archive, run.entry_sizes.compressed);
}

}  // namespace

std::vector<WalkedEntry> walk_as_stub(const std::string& path) {
  run_stub_code_silently();
  auto run = std::make_unique<RunState>();
  std::vector<WalkedEntry> entries;
  run->walk_context = &entries;
  try {
    if (!walk_archive_file(*run, path.c_str(), collect)) throw BindError("cannot read " + path);
  } catch (const StubStopped& stop) {
    close_archive_stream(run->archive);
    throw BindError(kWalkStops + stop.message);
  }
  return entries;
}

}  // namespace sfxbind
