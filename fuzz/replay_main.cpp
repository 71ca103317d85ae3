// Replays saved inputs through a fuzz target without libFuzzer: every file
// named on the command line, and every file inside each directory named.
// A directory that does not exist holds nothing to replay.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "tests/support/test_paths.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv) {
  std::vector<fs::path> inputs;
  for (int i = 1; i < argc; ++i) {
    fs::path path = argv[i];
    std::error_code error;
    if (fs::is_directory(path, error)) {
      for (const auto& entry : fs::directory_iterator(path, error))
        if (entry.is_regular_file()) inputs.push_back(entry.path());
    } else if (fs::exists(path, error)) {
      inputs.push_back(path);
    }
  }
  std::sort(inputs.begin(), inputs.end());
  for (const fs::path& input : inputs) {
    std::fprintf(stderr, "replaying %s\n", input.string().c_str());
    std::string bytes = read_file_bytes(input);
    LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  }
  std::printf("%zu inputs replayed\n", inputs.size());
  return 0;
}
