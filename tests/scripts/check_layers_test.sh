#!/bin/sh
# The layer check against a copy of src/ with one bad include (or one stray folder) injected at a
# time: each must make it fail and name the place, while the untouched copy passes.
# Usage: check_layers_test.sh PROJECT_DIR
set -u
project=$1
check=$project/scripts/check_layers.sh
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

fresh() {
    rm -rf "$work/copy"
    mkdir -p "$work/copy/src"
    # The folder's contents, so that a linked src/ is copied and never written through.
    cp -R "$project/src/." "$work/copy/src/"
}

# inject WHAT FILE LINE: appends LINE to src/FILE of a fresh copy (made if absent) and expects the
# check to fail with FILE in its message.
inject() {
    what=$1 file=$2 line=$3
    fresh
    mkdir -p "$(dirname "$work/copy/src/$file")"
    printf '%s\n' "$line" >>"$work/copy/src/$file"
    if sh "$check" "$work/copy" >/dev/null 2>"$work/err"; then
        echo "FAIL: $what passed the check" >&2
        failures=$((failures + 1))
    elif ! grep -q "src/$(dirname "$file")" "$work/err"; then
        echo "FAIL: $what failed without naming src/$file:" >&2
        cat "$work/err" >&2
        failures=$((failures + 1))
    fi
}

fresh
if ! sh "$check" "$work/copy" 2>"$work/err"; then
    echo "FAIL: the untouched copy fails the check:" >&2
    cat "$work/err" >&2
    failures=$((failures + 1))
fi

inject "a quoted include up the layers" core/znban.cpp '#include "ui/mainform.h"'
inject "an include in angle brackets" core/znban.cpp '#include <ui/mainform.h>'
inject "spaces around the #" record/play.cpp '  #  include "engine/pv.h"'
inject "a tab and no space before the name" record/play.cpp '#	include"engine/pv.h"'
inject "a path through .." record/play.cpp '#include "../ui/mainform.h"'
inject "a path through . and .." pieces/koma.cpp '#include "./../core/../record/play.h"'
inject "a path climbing out of src" core/moves.cpp '#include "../../src/ui/mainform.h"'
inject "a file in a subfolder" core/deeper/helper.cpp '#include "record/play.h"'
inject "a file with another ending" core/helper.inl '#include "engine/pv.h"'
inject "a header ending in .hpp" support/extra.hpp '#include <core/znban.h>'
inject "a sideways include" review/balance.cpp '#include "enginehost/engineprocess.h"'
inject "the engine host using review" enginehost/engineprocess.cpp '#include "review/balance.h"'
inject "kifu and ui side by side" kifu/cli.cpp '#include "ui/mainform.h"'
inject "a folder with no rank" unranked/thing.cpp '#include "core/znban.h"'
inject "a folder with no rank and no include" unranked/notes.h '// nothing included'

if [ "$failures" -ne 0 ]; then
    echo "$failures case(s) failed" >&2
    exit 1
fi
echo "every injected include failed the check"
