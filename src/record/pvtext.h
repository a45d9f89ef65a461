#pragma once
// Engine readings in Japanese notation: the moves are played on a scratch copy of the position, so
// each is named as the position it is made in calls for.

#include <string>
#include <vector>

#include "core/znban.h"
#include "record/play.h"

// The moves written one after another without their origins, "▲７六歩△３四歩▲２二角成", each
// in the position the moves before it lead to; a move to the square of the move before is written
// 同. The text stops before the first move that is illegal there. `previousTo` is the destination of
// the move that led to `position` (IN_HAND for none). `played`, when given, receives the number of
// moves written.
std::string movesText(const ZnBan &position, const std::vector<MoveSpec> &moves, Square previousTo = IN_HAND,
                      std::size_t *played = nullptr);
