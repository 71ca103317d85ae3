#include "sfxbind/input/stub_code.h"

#include "base/fatal.h"

namespace sfxbind {

namespace {

class SilentFrontEnd : public FrontEnd {
 public:
  void show_progress_line(const char*) override {}
  void clear_progress_lines() override {}
  void set_status(const char*) override {}
  bool ask_yes_no(const char*, const char*) override { return false; }
  void show_message(BoxOwner, const char* text, const char*) override { last_message_ = text; }
  [[noreturn]] void end_process(int) override { throw StubStopped{last_message_}; }

 private:
  std::string last_message_;
};

}  // namespace

void run_stub_code_silently() {
  static SilentFrontEnd silent;
  install_front_end({&silent});
}

}  // namespace sfxbind
