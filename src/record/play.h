#pragma once
// Moves as the record formats name them, played on a game with the game's own rules, and the walk
// over a game's history that every record writer uses.

#include <functional>
#include <string>

#include "core/move.h"
#include "core/znban.h"

// Plays `move` for the side to move. Returns an empty string on success; otherwise the free
// board's refusal in Japanese (refusalText), with the game unchanged.
std::string playMove(ZnBan &game, const Move &move);

// The stand slot of the first piece of `kind` the side to move holds, the stand sorted by kind;
// -1 when it holds none.
int dropPosition(const ZnBan &game, PieceKind kind);

// The inverse of moveOf: the history record `move` would leave in `before`, for naming the move before it is
// made.
MoveHistory recordOf(const ZnBan &before, const Move &move);

// Walks the whole recorded line in replay mode: `start` sees the game in the position the history
// begins from, then `move` sees it just before each recorded move (0-based index) is replayed.
// The game ends exactly where it stood, replaying or not, at whatever move count. False when the
// history cannot be replayed, which a consistent game never causes.
bool walkRecord(ZnBan &game, const std::function<void(const ZnBan &)> &start,
                const std::function<void(const ZnBan &, std::size_t index)> &move);
