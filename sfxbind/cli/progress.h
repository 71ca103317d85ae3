// How far a long binding has come, on one line of standard error that is
// rewritten in place: bytes and entries done of the total. Shown only on a
// terminal, and at most a few times a second.
#pragma once
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

namespace sfxbind {

class Progress {
 public:
  // `bytes` counts what the binding reads: the files of a folder, the
  // compressed data of an archive. Shows nothing unless `to` is a terminal.
  Progress(uint64_t bytes, uint64_t entries, std::FILE* to);
  // Clears the line it showed.
  ~Progress();
  Progress(const Progress&) = delete;
  Progress& operator=(const Progress&) = delete;

  // `bytes` of the current entry are done (a second read of it from its
  // start shows nothing new until it passes the first).
  void entry_part(uint64_t bytes);
  // The current entry is done, with all its `bytes`.
  void entry_done(uint64_t bytes);

 private:
  void show();

  std::FILE* to_;  // null when nothing is shown
  uint64_t bytes_total_, entries_total_;
  uint64_t bytes_ = 0, entries_ = 0;  // of the entries done
  uint64_t part_ = 0;                 // of the current entry
  std::chrono::steady_clock::time_point next_show_;
  size_t shown_length_ = 0;
};

}  // namespace sfxbind
