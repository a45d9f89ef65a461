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
# Every file under src/ is read, in any subfolder and with any ending (but the build's own
# CMakeLists.txt); every include form counts: "a/b.h" and <a/b.h> (src/ is a public include
# folder), spaces around the #, and paths with . or .. resolved against the including file's folder.
# A folder with no rank below fails the check, so a new folder is placed on purpose.
#
# With --graph it prints the folder graph (folder -> folders it includes, with counts) instead.
# Usage: check_layers.sh [--graph] SOURCE_DIR
set -eu
graph=0
if [ "${1:-}" = "--graph" ]; then graph=1; shift; fi
root=${1:-.}

# One line per unit: its name and its rank. A unit may include only units of a lower rank.
RANKS='
support 0
pieces 1
core 2
record 3
book 4
engine 5
review 6
enginehost 6
gameanalyser 7
kifu 8
ui 8
'

list=$(mktemp)
trap 'rm -f "$list"' EXIT
(cd "$root/src" && find . -type f ! -name CMakeLists.txt ! -name '*.cmake' | sed 's#^\./##' | sort) >"$list"

cd "$root/src"
RANKS=$RANKS LIST=$list GRAPH=$graph awk '
function unitOf(path,    parts) {
    if (path ~ /^enginehost\/gameanalyser\.[^\/]*$/) return "gameanalyser"
    split(path, parts, "/")
    return parts[1]
}
# The path with "." and ".." folded away; "" when it climbs above the top.
function fold(path,    parts, count, i, stack, depth, out) {
    count = split(path, parts, "/")
    depth = 0
    for (i = 1; i <= count; i++) {
        if (parts[i] == "" || parts[i] == ".") continue
        if (parts[i] == "..") {
            if (depth == 0) return ""
            depth--
            continue
        }
        stack[++depth] = parts[i]
    }
    out = ""
    for (i = 1; i <= depth; i++) out = out (i > 1 ? "/" : "") stack[i]
    return out
}
function folderOf(path) {
    return path ~ /\// ? substr(path, 1, match(path, /\/[^\/]*$/) - 1) : ""
}
function report(text) { print text > "/dev/stderr"; status = 1 }
BEGIN {
    status = 0
    count = split(ENVIRON["RANKS"], lines, "\n")
    for (i = 1; i <= count; i++)
        if (split(lines[i], field, " ") == 2) rank[field[1]] = field[2] + 0
    files = 0
    while ((getline path < ENVIRON["LIST"]) > 0) {
        file[++files] = path
        exists[path] = 1
        if (path ~ /\//) folder[substr(path, 1, index(path, "/") - 1)] = 1
    }
    for (i = 1; i <= files; i++) {
        path = file[i]
        if (path !~ /\//) { report("src/" path " lies in no folder, so it has no layer"); continue }
        from = unitOf(path)
        if (!(from in rank)) {
            if (!(from in unranked)) report("src/" from "/ has no rank in scripts/check_layers.sh")
            unranked[from] = 1
        }
        number = 0
        while ((getline line < path) > 0) {
            number++
            if (line !~ /^[ \t]*#[ \t]*include[ \t]*[<"]/) continue
            rest = line
            sub(/^[ \t]*#[ \t]*include[ \t]*/, "", rest)
            close_mark = substr(rest, 1, 1) == "<" ? ">" : "\""
            rest = substr(rest, 2)
            end = index(rest, close_mark)
            if (end == 0) continue
            named = substr(rest, 1, end - 1)
            here = folderOf(path)
            # A quoted name is looked up beside the including file first, then in src/.
            target = ""
            if (close_mark == "\"") {
                beside = fold((here == "" ? "" : here "/") named)
                if (named ~ /^\.\.?\// || (beside in exists)) target = beside
                else target = fold(named)
            } else {
                target = fold(named)
            }
            if (target == "") {
                report("src/" path ":" number ": " line "  reaches above src/")
                continue
            }
            top = target ~ /\// ? substr(target, 1, index(target, "/") - 1) : ""
            if (!(top in folder)) continue  # a system or toolkit header
            to = unitOf(target)
            if (from == to) continue
            edges[from " " to]++
            if (!(from in rank) || !(to in rank)) continue
            if (rank[from] <= rank[to]) {
                report("src/" path ":" number ": " line "  (" from " includes " to ", against the layers)")
            }
        }
        close(path)
    }
    if (ENVIRON["GRAPH"] == "1") {
        for (edge in edges) {
            split(edge, pair, " ")
            out[pair[1]] = out[pair[1]] " " pair[2] "(" edges[edge] ")"
        }
        for (unit in out) print unit " ->" out[unit] | "sort"
        close("sort")
        exit 0
    }
    exit status
}'
