#include "sfxbind/cli/progress.h"

#include <algorithm>
#ifdef _WIN32
#include <io.h>
#define isatty _isatty
#define fileno _fileno
#else
#include <unistd.h>
#endif

namespace sfxbind {

namespace {

constexpr auto kInterval = std::chrono::milliseconds(250);

std::string megabytes(uint64_t bytes) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", static_cast<double>(bytes) / 1e6);
  return text;
}

}  // namespace

Progress::Progress(uint64_t bytes, uint64_t entries, std::FILE* to)
    : to_(to && isatty(fileno(to)) ? to : nullptr),
      bytes_total_(bytes),
      entries_total_(entries),
      next_show_(std::chrono::steady_clock::now() + kInterval) {}

Progress::~Progress() {
  if (!to_ || shown_length_ == 0) return;
  std::fprintf(to_, "\r%*s\r", static_cast<int>(shown_length_), "");
  std::fflush(to_);
}

void Progress::entry_part(uint64_t bytes) {
  part_ = std::max(part_, bytes);  // a second read of the entry does not go back
  show();
}

void Progress::entry_done(uint64_t bytes) {
  bytes_ += bytes;
  part_ = 0;
  ++entries_;
  show();
}

void Progress::show() {
  if (!to_) return;
  auto now = std::chrono::steady_clock::now();
  if (now < next_show_) return;
  next_show_ = now + kInterval;
  std::string line = "sfxbind: " + megabytes(bytes_ + part_) + " of " + megabytes(bytes_total_) + " MB, " +
                     std::to_string(entries_) + " of " + std::to_string(entries_total_) + " entries";
  // Blanks wipe what a longer line left.
  size_t pad = shown_length_ > line.size() ? shown_length_ - line.size() : 0;
  std::fprintf(to_, "\r%s%*s", line.c_str(), static_cast<int>(pad), "");
  std::fflush(to_);
  shown_length_ = line.size();
}

}  // namespace sfxbind
