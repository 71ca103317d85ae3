#include "bench/runners.h"

#include "bench/libdeflate_path.h"
#include "bench/liblzma_path.h"
#include "bench/zlib_path.h"

namespace {

template <class Decode>
void run(benchmark::State& state, const DecodeSet& set, Decode decode) {
  for (auto _ : state) {
    try {
      decode();
    } catch (const DecodeStop& stop) {
      state.SkipWithError(("stopped: " + stop.message).c_str());
      break;
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * set.output_bytes));
}

template <class Path>
void run_peer(benchmark::State& state, const DecodeSet& set) {
  try {
    Path peer(set);
    run(state, set, [&peer] { peer.decode_all(); });
  } catch (const DecodeStop& stop) {
    run_failed(state, stop.message);
  }
}

}  // namespace

void run_ours(benchmark::State& state, const DecodeSet* set) {
  try {
    open_set(*set);
  } catch (const DecodeStop& stop) {
    return run_failed(state, stop.message);
  }
  run(state, *set, [set] { decode_all(*set); });
}

void run_zlib(benchmark::State& state, const DecodeSet* set) { run_peer<ZlibPath>(state, *set); }

void run_libdeflate(benchmark::State& state, const DecodeSet* set) { run_peer<LibdeflatePath>(state, *set); }

void run_liblzma(benchmark::State& state, const DecodeSet* set) { run_peer<LiblzmaPath>(state, *set); }

void run_failed(benchmark::State& state, const std::string& message) {
  state.SkipWithError(message.c_str());
  for (auto _ : state) break;
}
