#pragma once
// Positions an engine must never be sent: some engines crash on them, and this program's own rules
// allow them (a king may be captured, pawns may be set up anywhere).

#include <string>
#include <string_view>

#include "core/znban.h"

// Why no game could reach the position the game shows, in Japanese; empty when one could: two
// unpromoted pawns of one side on a file, or a piece standing where it can never move again. The
// command line's perft and show and the analysis give this same answer.
std::string reachProblem(const ZnBan &game);

// Why the position the game shows cannot be analysed, in Japanese; empty when it can: a king
// missing from the board, the side not to move in check, two unpromoted pawns of one side on a
// file, or a piece standing where it can never move again (reachProblem). `refused` names what cannot be
// done, so that a game started there says 対局できません.
std::string analysisProblem(const ZnBan &game, std::string_view refused = "検討できません");
