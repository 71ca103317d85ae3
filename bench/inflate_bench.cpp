// Inflate plus CRC-32 over every deflated entry of one archive: the stub's
// decoding path against zlib's and libdeflate's.
#include "bench/inflate_bench.h"

#include "bench/runners.h"
#include "bench/zip_index.h"

void register_inflate_benchmarks(const std::string& archive) {
  static DecodeSet set;
  set.path = archive;
  for (const ZipEntry& entry : read_zip_index(archive))
    if (entry.item.header.method() == 8) set.add(entry.item);
  if (set.items.empty()) {
    benchmark::RegisterBenchmark("inflate_crc/ours", run_failed, "no deflated entries in " + archive);
    return;
  }
  benchmark::RegisterBenchmark("inflate_crc/ours", run_ours, &set)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("inflate_crc/zlib", run_zlib, &set)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("inflate_crc/libdeflate", run_libdeflate, &set)->Unit(benchmark::kMillisecond);
}
