#!/usr/bin/env bash
# Speed, size and memory benchmarks, in one command from anywhere:
#
#   bench/run.sh [--reps N] [--gbench-reps N] [--min-time S] [--size-mib N] [--small-mib N]
#
# Builds build/bench (x86-64, Release) and build/bench32 (the host32 preset:
# i686 with the Win32 stub's flags), benchmarks on, tests off; then
# bench/run_bench.py generates the 64 MiB mixed input, archives and binds it,
# times both Linux stubs against a minimal libdeflate extractor of each ISA,
# bsdtar and 7z, runs the in-process decoder benchmarks against zlib and
# libdeflate, prints the ratio table and writes it to bench/results.md. Takes
# about two and a half minutes on 2 cores with the defaults (9 runs of everything,
# medians), plus the first builds.
# `bench/run_bench.py --help` lists every option.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
build="$repo/build/bench"
build32="$repo/build/bench32"
cmake -S "$repo" -B "$build" -DCMAKE_BUILD_TYPE=Release -DSFX_BUILD_BENCH=ON -DSFX_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target sfxstub sfx_bench sfx_bench_corpus sfx_bench_libdeflate
cmake --build "$build" -j2 --target sfxbind || echo "sfxbind did not build: binding by hand"
(cd "$repo" && cmake --preset host32 -B "$build32" -DSFX_BUILD_BENCH=ON -DSFX_BUILD_TESTS=OFF >/dev/null)
cmake --build "$build32" -j2 --target sfxstub sfx_bench sfx_bench_libdeflate
exec python3 "$repo/bench/run_bench.py" --build "$build" --build32 "$build32" "$@"
