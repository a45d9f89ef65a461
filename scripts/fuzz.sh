#!/usr/bin/env bash
# Builds the record-file fuzzer with clang in build-fuzz and runs it for a bounded time over a
# scratch copy of the seed corpus (the committed corpus is never written). Exits non-zero when the
# fuzzer finds a crash; the crashing input is kept in build-fuzz/crashes/.
#   FUZZ_SECONDS  how long to run (default 60)
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${FUZZ_SECONDS:-60}"
build=build-fuzz

cmake -S . -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++-14 -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DNAGI_FUZZ=ON -DNAGI_UI=OFF -DNAGI_TESTS=OFF -DNAGI_BENCH=OFF
cmake --build "$build" --target record_fuzz -j 2

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cp fuzz/corpus/* "$scratch/"
mkdir -p "$build/crashes"

status=0
ASAN_OPTIONS=halt_on_error=1:detect_leaks=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
  "$build/fuzz/record_fuzz" -max_total_time="$seconds" -dict=fuzz/record.dict -max_len=8192 \
  -artifact_prefix="$build/crashes/" -print_final_stats=1 "$scratch" || status=$?

if [ "$status" -ne 0 ]; then
  echo "record_fuzz failed (exit $status); inputs kept in $build/crashes/" >&2
fi
exit "$status"
