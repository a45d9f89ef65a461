#pragma once
// A position as the standard record formats describe it (pieces by square, hands by count, side to
// move), the standard start and the handicap starts, and building a game from such a position.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/znban.h"
#include "support/types.h"

struct PositionSpec {
    static constexpr std::int8_t EMPTY = -1;

    // The PieceCode on each square, EMPTY for an empty square.
    std::array<std::int8_t, SQUARE_COUNT> code;
    // The owner of the piece on each square; meaningless where the square is empty.
    std::array<Side, SQUARE_COUNT> side{};
    // How many pieces of each kind each side holds in hand, indexed [side][kind].
    std::array<std::array<int, KIND_COUNT>, 2> hands{};
    Side turn = SENTE;

    PositionSpec() { code.fill(EMPTY); }
    // Puts a piece on a board square; squares off the board are ignored.
    void put(Square square, PieceCode pieceCode, Side owner);
    // The same pieces on the same squares, the same hands and side to move; the owner recorded for an
    // empty square does not count.
    bool operator==(const PositionSpec &other) const;
};

// The standard starting position, sente to move.
PositionSpec standardStart();

// The handicap starts by their KIF names, in the usual order, 平手 first.
const std::vector<std::string_view> &handicapNames();
// The start named by a KIF 手合割 value ("平手", "香落ち", ... "十枚落ち"); false when the name
// is not one of them. The handicap giver plays gote and moves first.
bool handicapStart(std::string_view name, PositionSpec &start);
// The 手合割 name of a start, "平手" for the standard one; empty when it is none of them.
std::string_view handicapNameOf(const PositionSpec &start);

// The position the game shows now.
PositionSpec positionOf(const ZnBan &game);

// Replaces `game` by the position, taking every piece from a fresh piece set as a record file does,
// with both attack maps filled and no history. On failure returns a Japanese reason and leaves the
// game in an unspecified state: call it on a fresh game and swap that in only on success.
std::string buildGame(ZnBan &game, const PositionSpec &position);
