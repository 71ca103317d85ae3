// Benchmark bodies shared by the families. Each iteration decodes the whole
// set once; throughput is output bytes per second.
#pragma once
#include <benchmark/benchmark.h>

#include <string>

#include "bench/decode_set.h"

void run_ours(benchmark::State& state, const DecodeSet* set);
void run_zlib(benchmark::State& state, const DecodeSet* set);
void run_libdeflate(benchmark::State& state, const DecodeSet* set);
void run_liblzma(benchmark::State& state, const DecodeSet* set);
// A benchmark that could not be set up reports why instead of a number.
void run_failed(benchmark::State& state, const std::string& message);
