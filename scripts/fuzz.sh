#!/usr/bin/env bash
# Builds the fuzzers with clang in build-fuzz and runs each for a bounded time over a scratch copy
# of its seed corpus (the committed corpora are never written): the ".ngr" reader, then one target
# per family of record formats (KIF/KI2, CSA, SFEN/USI, JKF), then engine output. Exits non-zero
# when any fuzzer finds a crash; the crashing inputs are kept in build-fuzz/crashes/.
#   FUZZ_SECONDS         how long to run the ".ngr" reader (default 60)
#   FORMAT_FUZZ_SECONDS  how long to run each format target (default 15)
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${FUZZ_SECONDS:-60}"
format_seconds="${FORMAT_FUZZ_SECONDS:-15}"
build=build-fuzz

cmake -S . -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++-14 -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DNAGI_FUZZ=ON -DNAGI_UI=OFF -DNAGI_TESTS=OFF -DNAGI_BENCH=OFF
cmake --build "$build" --target record_fuzz kif_fuzz csa_fuzz sfen_fuzz jkf_fuzz usi_fuzz -j 2

mkdir -p "$build/crashes"
status=0

# run TARGET CORPUS DICTIONARY SECONDS
run() {
  local target="$1" corpus="$2" dictionary="$3" time="$4" scratch result=0
  scratch=$(mktemp -d)
  cp "$corpus"/* "$scratch/"
  echo "== $target for ${time}s =="
  ASAN_OPTIONS=halt_on_error=1:detect_leaks=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
    "$build/fuzz/$target" -max_total_time="$time" -dict="$dictionary" -max_len=8192 \
    -artifact_prefix="$build/crashes/$target-" -print_final_stats=1 "$scratch" || result=$?
  rm -rf "$scratch"
  if [ "$result" -ne 0 ]; then
    echo "$target failed (exit $result); inputs kept in $build/crashes/" >&2
    status=$result
  fi
}

run record_fuzz fuzz/corpus fuzz/record.dict "$seconds"
run kif_fuzz fuzz/corpus-kif fuzz/kif.dict "$format_seconds"
run csa_fuzz fuzz/corpus-csa fuzz/csa.dict "$format_seconds"
run sfen_fuzz fuzz/corpus-sfen fuzz/sfen.dict "$format_seconds"
run jkf_fuzz fuzz/corpus-jkf fuzz/jkf.dict "$format_seconds"
run usi_fuzz fuzz/corpus-usi fuzz/usi.dict "$format_seconds"
exit "$status"
