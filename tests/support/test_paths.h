// Paths and temporary directories for tests, the same under Linux and Wine.
#pragma once
#include <filesystem>
#include <string>

namespace fs = std::filesystem;

// The shared corpus of archives made by independent encoders.
fs::path corpus_dir();

// A fresh empty directory, removed with everything below it at scope end.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const fs::path& path() const { return path_; }
  fs::path operator/(const std::string& name) const { return path_ / name; }

 private:
  fs::path path_;
};

std::string read_file_bytes(const fs::path& path);
void write_file_bytes(const fs::path& path, const std::string& bytes);

// The file's last write time in UTC as "YYYY-MM-DDTHH:MM:SS".
std::string modification_time_text(const fs::path& path);
// The entry name with the platform's separator.
std::string native_name(std::string name);
