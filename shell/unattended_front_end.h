// The front end of /S and /P: nothing waits for a person. The list, the
// status and the progress go to the dialog (/P) or nowhere (/S); questions
// are answered Yes without being shown (the extraction skips such entries
// itself, so the one left is Cancel's); the closing box is not shown; a
// stop's message goes to the log, one line.
#pragma once
#include "base/front_end.h"
#include "platform/files.h"

class UnattendedFrontEnd final : public FrontEnd {
 public:
  // `shown` may be null (/S); `log` may be platform::kNoFile.
  UnattendedFrontEnd(FrontEnd* shown, FrontEnd& exit, platform::FileHandle log)
      : shown_(shown), exit_(exit), log_(log) {}

  void show_progress_line(const char* text) override;
  void clear_progress_lines() override;
  void set_status(const char* text) override;
  bool ask_yes_no(const char* text, const char* caption) override;
  void show_message(BoxOwner owner, const char* text, const char* caption) override;
  void pass_progress(uint64_t done, uint64_t total) override;
  [[noreturn]] void end_process(int status) override;

  // `text` and a line end to the log, if there is one.
  void write_log(const char* text);

 private:
  FrontEnd* shown_;
  FrontEnd& exit_;
  platform::FileHandle log_;
};
