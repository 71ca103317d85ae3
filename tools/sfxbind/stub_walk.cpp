#include "tools/sfxbind/stub_walk.h"

#include <memory>

#include "archive/scanner.h"
#include "base/fatal.h"
#include "tools/sfxbind/byte_fields.h"

namespace sfxbind {

namespace {

// The walk reports nothing; its stops (no memory for the record buffer, a
// header whose sizes cannot be read) become an error of the tool.
class SilentFrontEnd : public FrontEnd {
 public:
  void show_progress_line(const char*) override {}
  void clear_progress_lines() override {}
  void set_status(const char*) override {}
  bool ask_yes_no(const char*, const char*) override { return false; }
  void show_message(BoxOwner, const char* text, const char*) override { stop_ = text; }
  [[noreturn]] void end_process(int) override { throw BindError(std::string(kWalkStops) + stop_); }

 private:
  std::string stop_;
};

void collect(RunState& run, int16_t phase, uint8_t* record_buffer) {
  if (phase != kScanLocalHeader) return;
  const LocalHeader& header = record_at<LocalHeader>(record_buffer);
  static_cast<std::vector<WalkedEntry>*>(run.walk_context)
      ->push_back({run.entry_name.full_name, entry_action(header, run.entry_name)});
  archive_skip(run.archive, run.entry_sizes.compressed);
}

}  // namespace

std::vector<WalkedEntry> walk_as_stub(const std::string& path) {
  static SilentFrontEnd silent;
  install_front_end({&silent});
  // The stream is closed however the walk ends (a stop of the walk throws).
  auto close = [](RunState* run) {
    close_archive_stream(run->archive);
    delete run;
  };
  std::unique_ptr<RunState, decltype(close)> run(new RunState, close);
  std::vector<WalkedEntry> entries;
  run->walk_context = &entries;
  if (!walk_archive_file(*run, path.c_str(), collect)) throw BindError("cannot read " + path);
  return entries;
}

}  // namespace sfxbind
