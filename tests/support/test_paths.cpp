#include "tests/support/test_paths.h"

#include <atomic>
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
