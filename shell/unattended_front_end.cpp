#include "shell/unattended_front_end.h"

#include <cstring>

namespace {
#ifdef _WIN32
constexpr char kLineEnd[] = "\r\n";
#else
constexpr char kLineEnd[] = "\n";
#endif
}  // namespace

void UnattendedFrontEnd::show_progress_line(const char* text) {
  if (shown_) shown_->show_progress_line(text);
}

void UnattendedFrontEnd::clear_progress_lines() {
  if (shown_) shown_->clear_progress_lines();
}

void UnattendedFrontEnd::set_status(const char* text) {
  if (shown_) shown_->set_status(text);
}

bool UnattendedFrontEnd::ask_yes_no(const char*, const char*) { return true; }

void UnattendedFrontEnd::show_message(BoxOwner owner, const char* text, const char*) {
  // Only a stop's message has no owner; the closing box is left out.
  if (owner == BoxOwner::kNone) write_log(text);
}

void UnattendedFrontEnd::write_log(const char* text) {
  if (log_ == platform::kNoFile) return;
  platform::write_file(log_, text, static_cast<uint32_t>(std::strlen(text)));
  platform::write_file(log_, kLineEnd, sizeof kLineEnd - 1);
}

void UnattendedFrontEnd::pass_progress(uint64_t done, uint64_t total) {
  if (shown_) shown_->pass_progress(done, total);
}

void UnattendedFrontEnd::end_process(int status) {
  exit_.end_process(status);
  __builtin_unreachable();  // end_process is [[noreturn]], which a virtual call does not carry
}
