#include "review/balance.h"

#include "core/exchange.h"
#include "record/notation.h"

namespace {

int sign(int value) { return (value > 0) - (value < 0); }

bool nextToKing(const ZnBan &game, Square square) {
    for (Side side : {SENTE, GOTE}) {
        const Koma *king = game.king(side);
        if (king == nullptr || king->square() >= SQUARE_COUNT) continue;
        const int rows = rowOf(square) - rowOf(king->square());
        const int columns = columnOf(square) - columnOf(king->square());
        if (rows >= -1 && rows <= 1 && columns >= -1 && columns <= 1 && (rows != 0 || columns != 0))
            return true;
    }
    return false;
}

bool watched(const ZnBan &game, Square square) { return game.isOccupied(square) || nextToKing(game, square); }

}  // namespace

std::vector<BalanceChange> changedBalances(const ZnBan &before, const ZnBan &after) {
    std::vector<BalanceChange> changes;
    for (int index = 0; index < SQUARE_COUNT; ++index) {
        const auto square = static_cast<Square>(index);
        if (!watched(before, square) && !watched(after, square)) continue;
        BalanceChange change{square, before.attackCount(SENTE, square), before.attackCount(GOTE, square),
                             after.attackCount(SENTE, square), after.attackCount(GOTE, square)};
        if (sign(change.senteBefore - change.goteBefore) != sign(change.senteAfter - change.goteAfter))
            changes.push_back(change);
    }
    return changes;
}

std::string balanceChangeText(const BalanceChange &change) {
    return squareName(change.square) + " " + std::to_string(change.senteBefore) + "対" +
           std::to_string(change.goteBefore) + " → " + std::to_string(change.senteAfter) + "対" +
           std::to_string(change.goteAfter);
}

SideBalance sideBalance(const ZnBan &game, Side side) {
    SideBalance balance;
    const Side enemy = otherSide(side);
    for (int index = 0; index < SQUARE_COUNT; ++index) {
        const auto square = static_cast<Square>(index);
        if (game.attackCount(side, square) > game.attackCount(enemy, square)) ++balance.squaresAhead;
    }
    for (const Koma *piece : game.piecesOnBoard(side))
        if (piece->kind() != KING && losesExchange(game, piece->square()))
            balance.losing.push_back(piece->square());
    const Koma *king = game.king(side);
    if (king == nullptr || king->square() >= SQUARE_COUNT) return balance;
    for (int rows = -1; rows <= 1; ++rows)
        for (int columns = -1; columns <= 1; ++columns) {
            const int row = rowOf(king->square()) + rows;
            const int column = columnOf(king->square()) + columns;
            if ((rows == 0 && columns == 0) || !onBoard(row, column)) continue;
            const int attacks = game.attackCount(enemy, static_cast<Square>(squareAt(row, column)));
            balance.kingZoneAttacks += attacks;
            balance.kingZoneSquaresAttacked += attacks > 0;
        }
    return balance;
}

std::string sideBalanceText(const ZnBan &game, Side side, const SideBalance &balance) {
    // It counts squares, and says so: it is no verdict on the game.
    std::string text = side == SENTE ? "先手" : "後手";
    text += " 利き " + std::to_string(balance.squaresAhead) + "マス多い・取られる駒 ";
    if (balance.losing.empty()) text += "なし";
    for (Square square : balance.losing) {
        const Koma *piece = game.pieceAt(square);
        text += squareName(square);
        if (piece != nullptr) text += spokenPieceName(piece->code());
    }
    text += "・玉周り 敵の利き " + std::to_string(balance.kingZoneAttacks) + " (" +
            std::to_string(balance.kingZoneSquaresAttacked) + "マス)";
    return text;
}
