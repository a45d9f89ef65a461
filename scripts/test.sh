#!/usr/bin/env bash
# Sets up, builds and runs the whole test suite twice, a normal build and a sanitizer build,
# with bounded runs of the record fuzzers in between.
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/setup.sh

jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen

echo "== Normal build =="
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs"

# Bounded fuzzing of the record readers, before the sanitizer suite so that its summary closes the run.
if [ -x scripts/fuzz.sh ]; then
  echo "== Fuzzing the record readers =="
  ./scripts/fuzz.sh
fi

echo "== AddressSanitizer + UndefinedBehaviorSanitizer build =="
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DNAGI_SANITIZE=ON -DNAGI_BENCH=OFF
cmake --build build-asan -j "$jobs"
ASAN_OPTIONS=halt_on_error=1:detect_leaks=1:allocator_may_return_null=1 \
UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
  ctest --test-dir build-asan --output-on-failure -j "$jobs"

