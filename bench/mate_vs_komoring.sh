#!/bin/sh
# The mate solver beside KomoringHeights on the same positions from real games: the last 24
# positions of each game among the record fixtures (read in place, never copied), each searched
# for 1 s (MS) by both, one thread, the same table size (HASH MB).
# Usage: bench/mate_vs_komoring.sh [BUILD_DIR] [MS] [HASH_MB]
#   KOMORING=path of KomoringHeights-by-gcc (default /work/peers/KomoringHeights/source/...)
#   FIXTURES=folder holding MANIFEST.tsv (default /work/shared/record-fixtures)
set -u
build=${1:-build}
ms=${2:-1000}
hash=${3:-64}
nagikifu=$build/src/kifu/nagikifu
komoring=${KOMORING:-/work/peers/KomoringHeights/source/KomoringHeights-by-gcc}
fixtures=${FIXTURES:-/work/shared/record-fixtures}
here=$(dirname "$0")
[ -x "$nagikifu" ] || { echo "missing $nagikifu: build the Release tree first" >&2; exit 1; }
[ -f "$fixtures/MANIFEST.tsv" ] || { echo "no record fixtures at $fixtures: nothing to compare" >&2; exit 0; }
work=$build/mate-bench
mkdir -p "$work"

# Each game once (by its final position), at least 40 moves, no branches; its line as USI.
awk -F'\t' 'NR > 1 && $5 == "ok" && $6 >= 40 && $9 == "no" && !seen[$7]++ { print $1 }' "$fixtures/MANIFEST.tsv" |
    while read -r file; do "$nagikifu" convert --to usi "$fixtures/$file" - 2>/dev/null | head -n 1; done |
    awk '{ for (i = 1; i <= NF && $i != "moves"; ++i); if (i > NF) next
           for (cut = 0; cut < 24 && NF - cut > i; ++cut) {
               line = $1; for (j = 2; j <= NF - cut; ++j) line = line " " $j; print line } }' > "$work/positions.txt"
echo "== $(wc -l < "$work/positions.txt") positions, ${ms} ms each, ${hash} MB, one thread; load: $(cut -d' ' -f1-3 /proc/loadavg)"

"$nagikifu" mate --time "$ms" --hash "$hash" --batch "$work/positions.txt" > "$work/ours.tsv" 2> "$work/ours.err"
ours_nodes=$(sed -n 's/.*ミリ秒、\([0-9]*\) 局面.*/\1/p' "$work/ours.err")
if [ -x "$komoring" ]; then
    python3 "$here/usi_mate.py" "$komoring" "$ms" "$hash" < "$work/positions.txt" > "$work/theirs.tsv"
else
    echo "KomoringHeights: not built at $komoring; our side only" >&2
    : > "$work/theirs.tsv"
fi

paste "$work/ours.tsv" "$work/theirs.tsv" | awk -F'\t' -v ours_nodes="$ours_nodes" '
    function tally(who, answer, plies, ms) {
        count[who, answer]++; time[who] += ms
        if (answer == "詰み") { mates[who]++; if (plies <= 15) short[who]++ }
    }
    {
        tally("ours", $2, $3, $5)
        if (NF > 6) { tally("theirs", $7, $8, $10); nodes += $11 }
        if ($2 == "詰み" && $7 == "詰み" && $3 != $8) { differ++; print "  lengths differ: ours " $3 ", theirs " $8 ": " $1 }
        if (NF > 6 && ($2 == "詰み") != ($7 == "詰み") && $2 != "不明" && $7 != "不明") print "  ANSWERS DISAGREE: " $0
        if ($2 == "詰み" && $7 == "詰み") { both++; if ($3 <= $8) shortestOurs++; if ($8 <= $3) shortestTheirs++ }
    }
    END {
        printf "%-16s %8s %8s %8s %10s %12s %10s\n", "", "詰み", "不詰", "不明", "time ms", "nodes", "nodes/s"
        printf "%-16s %6d %6d %6d %10d %12d %10.0f\n", "nagikifu", count["ours", "詰み"], count["ours", "不詰"],
            count["ours", "不明"], time["ours"], ours_nodes, time["ours"] ? ours_nodes * 1000 / time["ours"] : 0
        if (nodes > 0 || time["theirs"] > 0)
            printf "%-16s %6d %6d %6d %10d %12d %10.0f\n", "KomoringHeights", count["theirs", "詰み"],
                count["theirs", "不詰"], count["theirs", "不明"], time["theirs"], nodes,
                time["theirs"] ? nodes * 1000 / time["theirs"] : 0
        printf "mates up to 15 plies: nagikifu %d, KomoringHeights %d\n", short["ours"], short["theirs"]
        printf "mates both found: %d; the shorter or equal line: nagikifu %d, KomoringHeights %d\n", both, shortestOurs, shortestTheirs
    }'
