#pragma once
// Full recomputation of what the game maintains incrementally, and a check of every invariant.

#include <array>
#include <string>

#include "core/znban.h"

// Both sides' attack maps computed from scratch for the current board.
std::array<AttackMap, 2> computeAttackMaps(const ZnBan &game);

// Empty when the game is consistent; otherwise the first broken invariant, in words.
std::string findInconsistency(const ZnBan &game);
