#!/bin/sh
# Checks that every #include between the folders of src/ goes down the layers, never up or
# sideways, so no folder can reach back to one that uses it:
#
#   support <- pieces <- core <- record <- book <- engine <- review
#                                                 <- enginehost (Qt Core)
#   review, enginehost <- gameanalyser <- kifu, ui
#
# The game analyser (enginehost/gameanalyser.*) drives a review through the engine host, so it is a
# layer of its own above both, and the rest of enginehost may not use review.
#
# With --graph it prints the folder graph (folder -> folders it includes, with counts) instead.
# Usage: check_layers.sh [--graph] SOURCE_DIR
set -eu
graph=0
if [ "${1:-}" = "--graph" ]; then graph=1; shift; fi
root=${1:-.}

rank() {
    case $1 in
        support) echo 0 ;; pieces) echo 1 ;; core) echo 2 ;; record) echo 3 ;; book) echo 4 ;;
        engine) echo 5 ;; review) echo 6 ;; enginehost) echo 6 ;; gameanalyser) echo 7 ;; kifu) echo 8 ;;
        ui) echo 8 ;;
        *) echo 99 ;;
    esac
}

# The files of a unit; the game analyser is the one unit that is not a whole folder.
files() {
    case $1 in
        gameanalyser) echo enginehost/gameanalyser.h enginehost/gameanalyser.cpp ;;
        enginehost) ls enginehost/*.h enginehost/*.cpp | grep -v '^enginehost/gameanalyser\.' ;;
        *) echo "$1"/*.h "$1"/*.cpp ;;
    esac
}

edges=$(cd "$root/src" && grep -HoE '^#include "[a-z0-9_]+/[a-z0-9_]*' */*.h */*.cpp |
    sed -E 's#^enginehost/gameanalyser\.#gameanalyser/gameanalyser.#; s#"enginehost/gameanalyser$#"gameanalyser/#' |
    sed -E 's#^([a-z0-9_]+)/[^:]*:\#include "([a-z0-9_]+)/.*#\1 \2#' | sort | uniq -c)

if [ $graph = 1 ]; then
    echo "$edges" | awk '$2 != $3 { out[$2] = out[$2] " " $3 "(" $1 ")" } END { for (f in out) print f " ->" out[f] }' | sort
    exit 0
fi

status=0
echo "$edges" | {
    while read -r count from to; do
        [ "$from" = "$to" ] && continue
        if [ "$(rank "$from")" -le "$(rank "$to")" ]; then
            echo "src/$from includes src/$to $count time(s), against the layers:" >&2
            included=$to/
            [ "$to" = gameanalyser ] && included=enginehost/gameanalyser
            (cd "$root/src" && grep -nE "^#include \"$included" $(files "$from")) >&2 || true
            status=1
        fi
    done
    exit $status
}
