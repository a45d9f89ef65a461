#!/bin/sh
# Runs the installed form of the converter, as a user would: a CSA record through standard input
# to every other format and back, "show", and a failure that must leave no file behind.
#   $1  the nagikifu program
set -eu
nagikifu="$1"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "end_to_end: $*" >&2; exit 1; }

printf 'V2.2\nN+Sente\nN-Gote\nPI82HI\n-\n-3334FU\nT3\n+7776FU\n-5142OU\n+8822UM\n%%TORYO\n' >"$work/in.csa"
for format in kif kifu ki2 ki2u csa sfen usi ngr; do
  "$nagikifu" convert --to "$format" - "$work/out.$format" <"$work/in.csa" || fail "convert to $format"
  [ -s "$work/out.$format" ] || fail "empty $format output"
done
[ "$(cat "$work/out.usi")" = "position sfen lnsgkgsnl/7b1/ppppppppp/9/9/9/PPPPPPPPP/1B5R1/LNSGKGSNL w - 1 moves 3c3d 7g7f 5a4b 8h2b+" ] ||
  fail "usi: $(cat "$work/out.usi")"
[ "$(cat "$work/out.sfen")" = "lnsg1gsnl/5k1+B1/pppppp1pp/6p2/9/2P6/PP1PPPPPP/7R1/LNSGKGSNL w B 5" ] ||
  fail "sfen: $(cat "$work/out.sfen")"
for format in kif kifu ki2 ki2u ngr; do
  "$nagikifu" convert "$work/out.$format" - --to usi >"$work/back.usi" || fail "convert back from $format"
  cmp -s "$work/back.usi" "$work/out.usi" || fail "$format reads as another game"
done
"$nagikifu" convert "$work/out.csa" "$work/again.csa" || fail "csa to csa"
cmp -s "$work/again.csa" "$work/out.csa" || fail "csa written twice differs"

"$nagikifu" show "$work/out.kif" >"$work/shown.txt" || fail "show"
grep -q '先手の持駒：角' "$work/shown.txt" || fail "show: no bishop in sente's hand"
grep -q '後手の利き' "$work/shown.txt" || fail "show: no attack table"

printf 'PI\n+\n+7776FU\n-5554FU\n' >"$work/bad.csa"
if "$nagikifu" convert "$work/bad.csa" "$work/bad.kif" 2>"$work/err.txt"; then fail "bad record accepted"; fi
grep -q '4行目' "$work/err.txt" || fail "no reason: $(cat "$work/err.txt")"
[ ! -e "$work/bad.kif" ] || fail "partial output left"
[ -z "$(find "$work" -name '*.nagi-*')" ] || fail "temporary file left"
echo "end_to_end: ok"
