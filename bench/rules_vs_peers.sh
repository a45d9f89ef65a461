#!/bin/sh
# The rules beside their peers, in one run on one machine:
#   perft(5) from the start: nagikifu perft 5 and fairy-stockfish's own "go perft 5";
#   make + undo of the same legal games with the position key: rules_bench and tsshogi's validated
#   doMove + undoMove (node and the npm package tsshogi, installed into the build tree if missing).
# Usage: bench/rules_vs_peers.sh [BUILD_DIR]   (a Release build with the benchmarks)
set -u
build=${1:-build}
nagikifu=$build/src/kifu/nagikifu
bench=$build/bench/rules_bench
fairy=/usr/games/fairy-stockfish
for program in "$nagikifu" "$bench"; do
    [ -x "$program" ] || { echo "missing $program: build the Release tree first" >&2; exit 1; }
done

echo "== perft(5) from the start (19861490 leaves), process start included"
# Wall time and user CPU time each: on a shared machine the CPU time is the steadier figure.
timed() { /usr/bin/time -f "%e s wall, %U s user CPU" -o "$build/bench-time.txt" "$@"; }
ours=$(timed "$nagikifu" perft 5)
echo "nagikifu perft 5:        $ours leaves, $(cat "$build/bench-time.txt")"
if [ -x "$fairy" ]; then
    theirs=$(printf 'usi\nposition startpos\ngo perft 5\nquit\n' | timed "$fairy" 2>/dev/null |
        sed -n 's/^Nodes searched: //p')
    echo "fairy-stockfish perft 5: $theirs leaves, $(cat "$build/bench-time.txt")"
else
    echo "fairy-stockfish: not installed at $fairy"
fi
"$bench" --benchmark_filter=LegalPerftStart5 2>/dev/null | grep BM_

echo "== make + undo of the same legal games, with the position key"
"$bench" --benchmark_filter=MakeUndo 2>/dev/null | grep BM_
# Both sides are timed as the best of five runs of half a second of CPU time each, so that another
# program busy on the machine for a moment weighs on neither figure.
ours=$("$bench" --benchmark_filter=MakeUndoLegalGames --benchmark_repetitions=5 --benchmark_format=json 2>/dev/null |
    awk '/"run_type":/ { run = $0 ~ /"iteration"/ }
         run && /"items_per_second":/ { gsub(/,/, ""); if ($2 + 0 > best) best = $2 + 0 }
         END { printf "%.0f\n", best }')
games=$build/bench-games.usi
"$bench" --write-games "$games" || exit 1
modules=$build/bench-node
if ! command -v node >/dev/null; then
    echo "tsshogi: node is not installed; our figure alone: $ours plies/s"
    exit 0
fi
if [ ! -d "$modules/node_modules/tsshogi" ]; then
    mkdir -p "$modules" && npm install --prefix "$modules" --no-audit --no-fund tsshogi >/dev/null 2>&1 ||
        { echo "tsshogi: npm could not install it; our figure alone: $ours plies/s"; exit 0; }
fi
theirs=$(node "$(dirname "$0")/tsshogi_make_undo.mjs" "$games" "$modules") || exit 1
echo "$theirs"
mega=$(echo "$theirs" | sed -n 's/.*: \([0-9.]*\) M.*/\1/p')
awk -v ours="$ours" -v theirs="$mega" \
    'BEGIN { printf "ours make+undo: %.3f M plies/s, %.1fx tsshogi (best of 5 runs each)\n", ours / 1e6, ours / 1e6 / theirs }'
