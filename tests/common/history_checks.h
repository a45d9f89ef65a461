#pragma once
// Checks shared by the record-format round trips.

#include "core/znban.h"

// Takes both games back move by move, checking after each that they agree, down to the first
// position of game `seed`.
void expectSameHistoryBackToStart(ZnBan &game, ZnBan &loaded, unsigned seed);
