#pragma once
// Seeded random games for the record-format tests and benchmarks: the same seed gives the same
// first position and the same moves on every machine.

#include "core/znban.h"
#include "record/position.h"

// The first position of game `seed`: in turn the standard start, one of the handicap starts, and a
// position reached by random play, with pieces in hand and gote to move.
PositionSpec seededStart(unsigned seed);

// Replaces `game` by game `seed`: its first position, then up to `plies` random legal moves.
// No move takes a king, so every position of the game can be written in every format.
void playSeededGame(ZnBan &game, unsigned seed, int plies);
