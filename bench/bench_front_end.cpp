// A silent face for in-process decoding: no lines shown, every question
// answered Yes, and a fatal stop thrown as DecodeStop instead of ending the
// process, so a benchmark can report it and go on.
#include <string>

#include "bench/decode_set.h"

namespace {

class BenchFrontEnd final : public FrontEnd {
 public:
  void show_progress_line(const char*) override {}
  void clear_progress_lines() override {}
  void set_status(const char*) override {}
  bool ask_yes_no(const char*, const char*) override { return true; }
  void show_message(BoxOwner, const char* text, const char*) override { last_stop_message_ = text; }
  [[noreturn]] void end_process(int status) override { throw DecodeStop{status, last_stop_message_}; }

 private:
  std::string last_stop_message_;
};

BenchFrontEnd front_end;

}  // namespace

FrontEnd& bench_front_end() { return front_end; }
