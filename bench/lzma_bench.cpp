// LZMA plus CRC-32 over every LZMA entry of one archive: the stub's decoding
// path against liblzma's raw decoder.
#include "bench/lzma_bench.h"

#include "bench/liblzma_path.h"
#include "bench/runners.h"
#include "bench/zip_index.h"

void register_lzma_benchmarks(const std::string& archive) {
  static DecodeSet set;
  set.path = archive;
  for (const ZipEntry& entry : read_zip_index(archive))
    if (entry.item.header.method() == 14) set.add(entry.item);
  if (set.items.empty()) {
    benchmark::RegisterBenchmark("lzma_crc/ours", run_failed, "no LZMA entries in " + archive);
    return;
  }
  benchmark::RegisterBenchmark("lzma_crc/ours", run_ours, &set)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("lzma_crc/liblzma", run_liblzma, &set)->Unit(benchmark::kMillisecond);
}
