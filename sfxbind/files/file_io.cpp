#include "sfxbind/files/file_io.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <random>
#include <system_error>
#ifdef _WIN32
#include <windows.h>
#endif

#include "sfxbind/cli/interrupt_cleanup.h"
#include "sfxbind/files/file_position.h"
#include "sfxbind/files/native_path.h"

namespace sfxbind {

namespace {

// A name unlikely to be taken, in the directory `path` names a file in.
std::string temporary_name_beside(const std::string& path) {
  size_t cut = path.find_last_of("/\\");
  std::string dir = cut == std::string::npos ? "" : path.substr(0, cut + 1);
  std::string base = cut == std::string::npos ? path : path.substr(cut + 1);
  std::random_device seed;
  char suffix[16];
  std::snprintf(suffix, sizeof suffix, "%08x", static_cast<unsigned>(seed()));
  return dir + "." + base + ".sfxbind-" + suffix + ".tmp";
}

void make_executable(const std::string& path) {
#ifndef _WIN32
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return;
  mode_t read_bits = st.st_mode & (S_IRUSR | S_IRGRP | S_IROTH);
  ::chmod(path.c_str(), (st.st_mode & 07777) | read_bits >> 2);
#else
  (void)path;
#endif
}

// Returns an empty text on success, otherwise why the rename failed.
std::string replace_file(const std::string& from, const std::string& to) {
#ifdef _WIN32
  if (MoveFileExW(native_path(from).c_str(), native_path(to).c_str(), MOVEFILE_REPLACE_EXISTING)) return "";
  return std::system_category().message(static_cast<int>(GetLastError()));
#else
  if (std::rename(native_path(from).c_str(), native_path(to).c_str()) == 0) return "";
  return std::strerror(errno);
#endif
}

void remove_file(const std::string& path) {
  std::error_code ignored;
  std::filesystem::remove(native_path(path), ignored);
}

}  // namespace

AtomicOutput::AtomicOutput(const std::string& path) : path_(path) {
  // Created exclusively: a name taken meanwhile is passed over for another.
  constexpr int kAttempts = 16;
  for (int attempt = 0; attempt < kAttempts && !file_; ++attempt) {
    temporary_ = temporary_name_beside(path);
    file_ = open_removed_on_interrupt(temporary_);
    if (!file_ && errno != EEXIST) break;
  }
  if (!file_) throw BindError("cannot write " + path + ": " + std::strerror(errno));
}

AtomicOutput::~AtomicOutput() {
  if (committed_) return;
  if (file_) std::fclose(file_);
  remove_file(temporary_);
  forget_on_interrupt();
}

void AtomicOutput::fail(const std::string& why) {
  if (file_) std::fclose(file_);
  file_ = nullptr;
  remove_file(temporary_);
  forget_on_interrupt();
  committed_ = true;  // nothing left to clean up
  throw BindError("cannot write " + path_ + ": " + why);
}

void AtomicOutput::limit_size(uint64_t limit, const std::string& why) {
  limit_ = limit;
  limit_reason_ = why;
}

void AtomicOutput::write(std::span<const uint8_t> bytes) {
  if (!file_) fail("already closed");
  if (bytes.empty()) return;
  if (bytes.size() > limit_ || position_ > limit_ - bytes.size()) throw BindError(limit_reason_);
  if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) fail(std::strerror(errno));
  position_ += bytes.size();
  end_ = std::max(end_, position_);
}

void AtomicOutput::rewind(uint64_t at) {
  if (!seek_to(file_, at)) fail(std::strerror(errno));
  position_ = at;
}

void AtomicOutput::patch(uint64_t at, std::span<const uint8_t> bytes) {
  uint64_t resume = position_;
  rewind(at);
  write(bytes);
  rewind(resume);
}

void AtomicOutput::read_back(uint64_t at, std::span<uint8_t> into) {
  uint64_t resume = position_;
  rewind(at);
  if (std::fread(into.data(), 1, into.size(), file_) != into.size())
    fail("cannot read back what was written");
  rewind(resume);
}

void AtomicOutput::commit(bool executable) {
  // Only a rewind over bytes never written again could leave a tail behind.
  if (end_ != position_) fail("internal error: the output would keep stale bytes");
  int closed = std::fclose(file_);
  file_ = nullptr;
  if (closed != 0) fail(std::strerror(errno));
  if (executable) make_executable(temporary_);
  std::string why = replace_file(temporary_, path_);
  if (!why.empty()) fail(why);
  forget_on_interrupt();
  committed_ = true;
}

bool same_file(const std::string& a, const std::string& b) {
  std::error_code error;
  return std::filesystem::equivalent(native_path(a), native_path(b), error) && !error;
}

}  // namespace sfxbind
