#!/usr/bin/env python3
"""Asks a USI engine with a mate solver ("go mate MS") about each position of a file, one a line
(an SFEN or "position ..."), and prints what nagikifu mate --batch prints, plus the nodes:
POSITION<TAB>詰み|不詰|不明<TAB>plies<TAB>usi moves<TAB>milliseconds<TAB>nodes
Usage: usi_mate.py ENGINE MS HASH_MB < positions"""
import subprocess
import sys
import time

engine, ms, hash_mb = sys.argv[1], sys.argv[2], sys.argv[3]
process = subprocess.Popen([engine], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                           stderr=subprocess.DEVNULL, text=True, bufsize=1)


def send(line):
    process.stdin.write(line + "\n")
    process.stdin.flush()


def read_until(prefix):
    lines = []
    while True:
        line = process.stdout.readline()
        if not line:
            return lines
        lines.append(line.strip())
        if line.startswith(prefix):
            return lines


send("usi")
read_until("usiok")
# One thread and the same table size as ours; the shortest mate, and a root in check asked as
# "can the side to move mate", as nagikifu asks it.
for option in ("Threads value 1", "USI_Hash value " + hash_mb, "PostSearchLevel value MinLength",
               "RootIsAndNodeIfChecked value false"):
    send("setoption name " + option)
send("isready")
read_until("readyok")
for text in sys.stdin:
    text = text.strip()
    if not text or text.startswith("#"):
        continue
    position = text if text.startswith("position") else "position " + (
        text if text.startswith(("sfen", "startpos")) else "sfen " + text)
    send("usinewgame")
    send(position)
    start = time.monotonic()
    send("go mate " + ms)
    lines = read_until("checkmate")
    elapsed = int((time.monotonic() - start) * 1000)
    nodes = 0
    for line in lines:
        words = line.split()
        if "nodes" in words[:-1]:
            nodes = int(words[words.index("nodes") + 1])
    answer = lines[-1].split()[1:] if lines and lines[-1].startswith("checkmate") else ["timeout"]
    if answer == ["nomate"]:
        row = ("不詰", 0, "")
    elif not answer or answer[0] in ("timeout", "notimplemented"):
        row = ("不明", 0, "")
    else:
        row = ("詰み", len(answer), " ".join(answer))
    print(f"{text}\t{row[0]}\t{row[1]}\t{row[2]}\t{elapsed}\t{nodes}", flush=True)
send("quit")
