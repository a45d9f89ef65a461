#!/bin/sh
# The converter as a process where the world is hostile: inputs and outputs that are not files, the
# input as output, limits on the process, a full disk, standard streams closed or full, and a record
# at the limit of its format. Each row checks the exit status and the reason, that every entry of
# the folder keeps its bytes (but the one the row may write), and that no temporary file is left.
#   $1  the nagikifu program
set -u
n="$1"
case "$n" in /*) ;; *) n="$PWD/$n" ;; esac
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
w="$root/work"
export n
failed=0
kif='手合割：平手
   1 ７六歩(77)   ( 0:05/00:00:05)
   2 ３四歩(33)   ( 0:03/00:00:03)
'
# A game of $1 plies, both rooks going back and forth, as one USI line.
shuffle() { awk -v n="$1" 'BEGIN { split("2h3h 8b7b 3h2h 7b8b", s, " "); printf "position startpos moves"
  for (i = 0; i < n; i++) printf " %s", s[i % 4 + 1]; print "" }'; }
# Every entry of the folder but $1: its kind, where it links to, and its bytes' checksum.
snapshot() { find . -mindepth 1 ! -path "./${1:-.}" -printf '%p %y %l\n' | sort
  find . -type f ! -path "./${1:-.}" -exec md5sum {} + | sort; }

# row WHAT STATUS REASON SETUP COMMAND [WRITTEN]: SETUP makes the row's files (a failure skips it,
# as where devices or mounts are not allowed); COMMAND runs "$n" in the folder, and a
# run that does not end within a minute (even a sanitizer build does) counts as hung.
row() {
  rm -rf "$w" && mkdir "$w" && cd "$w" || exit 1
  printf '%s' "$kif" >in.kifu && printf 'an older record\n' >old.csa
  if ! (eval "$4") >/dev/null 2>&1; then echo "skipped: $1"; return; fi
  before=$(snapshot "${6-}")
  timeout -s KILL 60 sh -c "$5" >"$root/out" 2>"$root/err"
  status=$?
  problem=
  [ "$status" = "$2" ] || problem="status $status"
  if [ -z "$3" ]; then [ ! -s "$root/err" ] || problem="$problem, a reason"
  else grep -qF "nagikifu: " "$root/err" && grep -qF "$3" "$root/err" || problem="$problem, no \"$3\""; fi
  [ "$(snapshot "${6-}")" = "$before" ] || problem="$problem, files changed"
  [ -z "$problem" ] || { failed=1; echo "FAILED: $1: $problem: $(cat "$root/err")"; }
}

row "a named pipe as input" 1 "名前付きパイプ" 'mkfifo pipe.kif' '"$n" convert pipe.kif o.csa'
row "a device as input under a memory limit" 1 "デバイス" '(ulimit -v 1500000 && "$n" --help)' 'ulimit -v 1500000; "$n" convert /dev/zero o.csa'
row "a link to a device as output" 1 "デバイス" 'mknod null c 1 3 && ln -s null o.csa' '"$n" convert in.kifu o.csa'
row "a device as output" 1 "デバイス" 'mknod null c 1 3' '"$n" convert --to csa in.kifu null'
row "a link to standard output, a pipe" 1 "名前付きパイプ" 'mkfifo p && ln -s /proc/self/fd/1 o.csa' \
  '"$n" convert in.kifu o.csa 1<>p'
row "a link to a file is written through" 0 "" '"$n" convert in.kifu want.csa && ln -s old.csa o.csa' \
  '"$n" convert in.kifu o.csa && [ -L o.csa ] && cmp -s old.csa want.csa' old.csa
row "a chain of links through another folder" 0 "" 'mkdir sub && ln -s ../old.csa sub/l && ln -s sub/l o.csa' \
  '"$n" convert in.kifu o.csa && [ -L o.csa ] && [ -L sub/l ] && "$n" convert old.csa - --to kifu | grep -q ３四歩' old.csa
row "a loop of links as output" 1 "リンクが輪になっているか" 'ln -s b o.csa && ln -s o.csa b' '"$n" convert in.kifu o.csa'
row "the input as output" 1 "入力と同じファイルです" : '"$n" convert --to csa in.kifu in.kifu'
row "a link to the input as output" 1 "入力と同じファイルです" 'ln -s in.kifu o.kifu' '"$n" convert --to csa in.kifu o.kifu'
row "a file-size limit" 1 "ファイルが大きすぎます" 'shuffle 2000 >in.usi' 'ulimit -f 1; "$n" convert in.usi old.csa'
row "a full disk" 1 "ディスクの空き容量が足りません" 'shuffle 2000 >in.usi && mkdir full && unshare -m true' \
  'unshare -m sh -c '\''mount -t tmpfs -o size=4k tmpfs full && "$n" convert in.usi full/o.kif; s=$?; [ -z "$(ls -A full)" ] || s=9; exit $s'\'
row "a KIF record of a million moves, as written, reads back" 0 "" 'shuffle 1000000 >in.usi && "$n" convert in.usi big.kif' \
  '"$n" convert big.kif back.usi && cmp -s back.usi in.usi' back.usi
row "a record too long to open again" 1 "棋譜が長すぎます (上限 64 MiB)" \
  '{ printf "手合割：平手\n" | iconv -f UTF-8 -t CP932; awk "BEGIN { for (i = 0; i < 2000; i++) l = l \"\202\240\"
    for (i = 0; i < 12000; i++) print \"*\" l }"; } >in.kif' '"$n" convert in.kif o.kifu'
row "help to a full standard output" 1 "標準出力に書き込めません (ディスクの空き容量が足りません)" : '"$n" --help >/dev/full'
row "show to a full standard output" 1 "標準出力に書き込めません" : '"$n" show in.kifu >/dev/full'
row "convert to a full standard output" 1 "標準出力に書き込めません" : '"$n" convert --to csa in.kifu - >/dev/full'
row "standard input closed" 1 "標準入力を読めません (閉じられています)" : '"$n" convert --from kif - o.csa <&-'
row "standard input a folder" 1 "標準入力を読めません (フォルダです)" : '"$n" convert --from kif - o.csa <.'
exit $failed
