#pragma once
// Seeded random games for the record-format tests and benchmarks: the same seed gives the same
// first position and the same moves on every machine.

#include "core/znban.h"
#include "record/position.h"
#include "record/recordtree.h"

// The first position of game `seed`: in turn the standard start, one of the handicap starts, and a
// position reached by random play, with pieces in hand and gote to move.
PositionSpec seededStart(unsigned seed);

// Replaces `game` by game `seed`: its first position, then up to `plies` random legal moves.
// No move takes a king, so every position of the game can be written in every format.
void playSeededGame(ZnBan &game, unsigned seed, int plies);

// A study tree `levels` forks deep from the standard start, every variation branching off the one
// before: after the k-th move of the chain the main answer ends its line one move later, and the
// chain goes on as a variation beside it. About two nodes a level, and JKF nests each level inside
// the one before.
RecordTree staircaseTree(unsigned seed, int levels);
