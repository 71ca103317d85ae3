// In-process decoding benchmarks. Besides Google Benchmark's own flags:
//   --archive=ZIP      inflate_crc/* over the deflated entries of ZIP
//   --corpus=DIR       <decoder>/* over the legacy entries of the ZIPs in DIR
//   --scratch=DIR      where the legacy benchmarks keep their inputs
//   --lzma-archive=ZIP lzma_crc/* over the LZMA entries of ZIP
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "bench/decode_set.h"
#include "bench/inflate_bench.h"
#include "bench/legacy_bench.h"
#include "bench/lzma_bench.h"

namespace {

bool take_option(const char* arg, const char* name, std::string& value) {
  size_t n = std::strlen(name);
  if (std::strncmp(arg, name, n) != 0 || arg[n] != '=') return false;
  value = arg + n + 1;
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  std::string archive, corpus, lzma_archive, scratch = "bench-scratch";
  for (int i = 1; i < argc; ++i) {
    if (!take_option(argv[i], "--archive", archive) && !take_option(argv[i], "--corpus", corpus) &&
        !take_option(argv[i], "--scratch", scratch) &&
        !take_option(argv[i], "--lzma-archive", lzma_archive)) {
      std::fprintf(stderr, "unknown argument: %s\n", argv[i]);
      return 2;
    }
  }
  prepare_decoding();
  if (!archive.empty()) register_inflate_benchmarks(archive);
  if (!corpus.empty()) register_legacy_benchmarks(corpus, scratch);
  if (!lzma_archive.empty()) register_lzma_benchmarks(lzma_archive);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
