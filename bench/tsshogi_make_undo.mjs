// tsshogi's side of the make + undo comparison: the games rules_bench writes (one line of USI moves
// from the start each), every move made with the validated doMove and taken back with undoMove,
// timed the way rules_bench times its own walk. Usage: node tsshogi_make_undo.mjs GAMES TSSHOGI_DIR
import { readFileSync } from "node:fs";
import { createRequire } from "node:module";
import { resolve } from "node:path";

const [gamesFile, installDir] = process.argv.slice(2);
const { Position, InitialPositionSFEN } = createRequire(resolve(installDir) + "/")("tsshogi");

const position = Position.newBySFEN(InitialPositionSFEN.STANDARD);
// Moves are made into tsshogi's Move objects once, as rules_bench keeps its own Move values.
const games = readFileSync(gamesFile, "utf8").split("\n").filter(Boolean).map((line) => {
  const moves = [];
  for (const word of line.split(" ")) {
    const move = position.createMoveByUSI(word);
    if (!move || !position.doMove(move)) throw new Error(`tsshogi refuses ${word}`);
    moves.push(move);
  }
  for (let i = moves.length - 1; i >= 0; --i) position.undoMove(moves[i]);
  return moves;
});

function walk() {
  let plies = 0;
  for (const moves of games) {
    for (const move of moves) if (!position.doMove(move)) throw new Error("refused");
    for (let i = moves.length - 1; i >= 0; --i) position.undoMove(moves[i]);
    plies += moves.length;
  }
  return plies;
}

for (let i = 0; i < 20; ++i) walk(); // warm the JIT up
// CPU time, as Google Benchmark counts rules_bench's items per second, so that a busy machine
// weighs on both alike; the best of five runs of half a second each, as rules_vs_peers.sh asks of
// rules_bench.
const cpu = () => {
  const used = process.cpuUsage();
  return used.user + used.system;
};
let best = 0;
for (let run = 0; run < 5; ++run) {
  let plies = 0;
  const start = cpu();
  let elapsed = 0;
  while (elapsed < 5e5) {
    plies += walk();
    elapsed = cpu() - start;
  }
  best = Math.max(best, plies / elapsed);
}
console.log(`tsshogi make+undo: ${best.toFixed(3)} M plies/s (CPU time, best of 5 runs)`);
