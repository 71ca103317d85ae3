#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, AddressSanitizer and
# UndefinedBehaviorSanitizer), replays every saved reproducer, then fuzzes
# each target for a bounded time starting from the corpus seeds. Exits
# non-zero on any finding; the inputs that found something are left in
# <build>/findings/<target>/ (move them to fuzz/regressions/<target>/ once
# the fault is fixed).
#
# Environment: FUZZ_SECONDS per target (default 60), FUZZ_TARGETS (default
# all), FUZZ_BUILD_DIR (default build/fuzz), SFX_CORPUS_DIR.
set -uo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${FUZZ_BUILD_DIR:-$root/build/fuzz}
seconds=${FUZZ_SECONDS:-60}
targets=${FUZZ_TARGETS:-scan inflate inflate64 explode unshrink expand stored lzma inflate_zlib lzma_liblzma binder settings}
corpus=${SFX_CORPUS_DIR:-$root/tests/corpus}
flags="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"

CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DSFX_BUILD_FUZZ=ON -DSFX_BUILD_TESTS=OFF \
  -DSFX_BUILD_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_FLAGS="$flags" \
  -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" >/dev/null || exit 2
cmake --build "$build" --target sfx_fuzz_targets -j2 >/dev/null || exit 2
rm -rf "$build/seeds"
python3 "$root/fuzz/make_seeds.py" "$corpus" "$build/seeds" >/dev/null || exit 2

# Every run writes its program file and output below TMPDIR: a folder of this
# script's own (on tmpfs if there is one), removed at the end, since libFuzzer
# ends a target without running its clean-up.
scratch_base=${TMPDIR:-/tmp}
if [ -d /dev/shm ] && [ -w /dev/shm ]; then scratch_base=/dev/shm; fi
scratch=$(mktemp -d "$scratch_base/sfx-fuzz.XXXXXX") || exit 2
trap 'rm -rf "$scratch"' EXIT
export TMPDIR=$scratch
mkdir -p "$build/logs"
status=0
for target in $targets; do
  exe=$build/fuzz/fuzz_$target
  regressions=$root/fuzz/regressions/$target
  if [ -d "$regressions" ]; then
    if ! "$exe" -runs=0 "$regressions" >"$build/logs/$target.replay.log" 2>&1; then
      echo "FAIL $target: a saved reproducer fails again: $(grep -m1 -E 'ERROR|FINDING|runtime error' "$build/logs/$target.replay.log")"
      echo "     log in $build/logs/$target.replay.log"
      status=1
    fi
  fi

  case $target in
    scan | binder) max_len=131072 ;;
    *) max_len=16384 ;;
  esac
  work=$build/corpus/$target
  findings=$build/findings/$target
  rm -rf "$findings"
  mkdir -p "$work" "$findings"
  log=$build/logs/$target.log
  "$exe" "$work" "$build/seeds/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -max_len="$max_len" -artifact_prefix="$findings/" -print_final_stats=1 >"$log" 2>&1
  rc=$?
  summary=$(grep -E '^#[0-9]+[[:space:]]+DONE' "$log" | tail -n 1)
  # Crashes, sanitizer reports, leaks, time-outs and memory blow-ups; slow
  # units (over 10 s, under the time-out) only warn.
  if [ $rc -ne 0 ] || ls "$findings" | grep -qv '^slow-unit-'; then
    echo "FAIL $target (libFuzzer status $rc): $(grep -m1 -E 'ERROR|FINDING|runtime error' "$log")"
    echo "     inputs in $findings, log in $log"
    status=1
  else
    echo "ok   $target: $summary"
  fi
  for slow in "$findings"/slow-unit-*; do
    [ -e "$slow" ] && echo "warn $target: slow input $slow"
  done
done
exit $status
