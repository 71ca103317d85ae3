#include "tests/support/test_paths.h"

#include <sys/stat.h>
#include <sys/types.h>

#include <atomic>
#include <ctime>
#include <fstream>
#include <iterator>
#include <random>

fs::path corpus_dir() { return fs::path(SFX_CORPUS_DIR); }

TempDir::TempDir() {
  static std::atomic<unsigned> counter{0};
  std::random_device seed;
  fs::path base = fs::temp_directory_path();
  do {
    path_ = base / ("sfx-test-" + std::to_string(seed()) + "-" + std::to_string(counter++));
  } while (!fs::create_directory(path_));
}

TempDir::~TempDir() {
  std::error_code ignored;
  for (auto& entry : fs::recursive_directory_iterator(path_, ignored))
    fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add, ignored);
  fs::remove_all(path_, ignored);
}

std::string read_file_bytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void write_file_bytes(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string modification_time_text(const fs::path& path) {
#ifdef _WIN32
  struct _stat64 st;
  if (_wstat64(path.wstring().c_str(), &st) != 0) return "";
  __time64_t seconds = st.st_mtime;
  struct tm* t = _gmtime64(&seconds);
#else
  struct stat st;
  if (stat(path.c_str(), &st) != 0) return "";
  time_t seconds = st.st_mtime;
  struct tm* t = gmtime(&seconds);
#endif
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", t);
  return text;
}

std::string native_name(std::string name) {
  for (char& c : name)
    if (c == '/' || c == '\\') c = static_cast<char>(fs::path::preferred_separator);
  return name;
}
