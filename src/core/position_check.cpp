#include "core/position_check.h"

#include <array>

#include "support/names.h"

namespace {

const char *sideName(Side side) { return side == SENTE ? "先手" : "後手"; }

// Rows still ahead of a piece of `side` on `row`: 0 on the last rank.
int rowsAhead(Side side, int row) { return side == SENTE ? row : 8 - row; }

bool stranded(const Koma &piece) {
    if (piece.promoted()) return false;
    const int ahead = rowsAhead(piece.side(), rowOf(piece.square()));
    if (piece.kind() == PAWN || piece.kind() == LANCE) return ahead == 0;
    if (piece.kind() == KNIGHT) return ahead <= 1;
    return false;
}

}  // namespace

std::string reachProblem(const ZnBan &game) {
    for (Side side : {SENTE, GOTE}) {
        std::array<int, 9> pawns{};
        for (const Koma *piece : game.piecesOnBoard(side)) {
            if (stranded(*piece))
                return squareName(piece->square()) + std::string(kifPieceName(piece->code())) +
                       "は動けない位置にある";
            if (piece->kind() == PAWN && !piece->promoted() &&
                ++pawns[static_cast<std::size_t>(columnOf(piece->square()))] == 2)
                return std::string(sideName(side)) + "の歩が" + squareName(piece->square()).substr(0, 3) +
                       "筋に二枚ある";
        }
    }
    return {};
}

std::string analysisProblem(const ZnBan &game, std::string_view refused) {
    const std::string because = "ので" + std::string(refused);
    for (Side side : {SENTE, GOTE}) {
        const Koma *king = game.king(side);
        if (king == nullptr || king->square() >= SQUARE_COUNT || king->side() != side)
            return std::string(sideName(side)) + "の玉が盤上にない" + because;
    }
    const Side waiting = otherSide(game.turn());
    if (game.attackCount(game.turn(), game.king(waiting)->square()) > 0)
        return std::string("手番でない") + sideName(waiting) + "の玉に王手がかかっている" + because;
    if (std::string unreachable = reachProblem(game); !unreachable.empty()) return unreachable + because;
    return {};
}
