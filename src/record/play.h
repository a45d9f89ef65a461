#pragma once
// Moves as the record formats name them, played on a game with the game's own rules, and the walk
// over a game's history that every record writer uses.

#include <functional>
#include <string>

#include "core/znban.h"

// A move or a drop as a record names it: `from` is IN_HAND for a drop of `dropKind`.
struct MoveSpec {
    Square from = IN_HAND;
    Square to = 0;
    bool promote = false;
    PieceKind dropKind = PAWN;
    bool operator==(const MoveSpec &) const = default;
};

// Why playMove would refuse `move` in `game`, without playing it: a short Japanese reason, or empty
// when the move may be played.
std::string refusalOf(const ZnBan &game, const MoveSpec &move);

// Plays `move` for the side to move through makeMove or dropPiece. Returns an empty string on
// success; otherwise a short Japanese reason, with the game unchanged.
std::string playMove(ZnBan &game, const MoveSpec &move);

// The hand position dropPiece takes for the first piece of `kind` once it has sorted the hand;
// -1 when the side to move holds none.
int dropPosition(const ZnBan &game, PieceKind kind);

// The MoveSpec of a recorded move.
MoveSpec specOf(const MoveHistory &record);
// Its inverse: the history record `move` would leave in `before`, for naming the move before it is
// made.
MoveHistory recordOf(const ZnBan &before, const MoveSpec &move);

// Walks the whole recorded line in replay mode: `start` sees the game in the position the history
// begins from, then `move` sees it just before each recorded move (0-based index) is replayed.
// The game ends exactly where it stood, replaying or not, at whatever move count. False when the
// history cannot be replayed, which a consistent game never causes.
bool walkRecord(ZnBan &game, const std::function<void(const ZnBan &)> &start,
                const std::function<void(const ZnBan &, std::size_t index)> &move);
