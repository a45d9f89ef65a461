#include "ui/interaction.h"

#include "support/glyphs.h"
#include "ui/render.h"

namespace {

// The grid square under a press, or -1 when the press lies outside the 9 x 9 grid.
int squareUnder(int x, int y) {
    const int column = BoardColumnAt(x);
    const int row = BoardRowAt(y);
    return onBoard(row, column) ? squareAt(row, column) : -1;
}

bool selectPiece(ZnBan &game, ZnFlags &flags, Square square) {
    if (!game.isTurnPiece(game.pieceAt(square))) return false;
    flags.SelectSquare(square);
    return true;
}

bool moveSelectedPiece(ZnBan &game, ZnFlags &flags, PromotionAsker &asker, Square to) {
    const Square from = flags.selectedSquare();
    const Koma *mover = from < SQUARE_COUNT ? game.pieceAt(from) : nullptr;
    switch (game.classifyMove(from, to)) {
        case Illegal: {
            // Pressing another piece of the mover's side (or the selected piece itself) hands the
            // selection over to it; any other refused press leaves everything as it was.
            const Koma *target = game.pieceAt(to);
            if (mover == nullptr || target == nullptr || target->side() != mover->side()) return false;
            flags.SelectSquare(to);
            return true;
        }
        case NoPromotion: game.makeMove(from, to, false); break;
        case PromotionOptional: {
            const QString name = mover != nullptr ? fromShiftJis(kGlyphTable[mover->kind()]) : QString();
            game.makeMove(from, to, asker.askPromotion(name));
            break;
        }
        case PromotionForced: game.makeMove(from, to, true); break;
    }
    // Whatever makeMove reported, the move the rules accepted ends this selection.
    flags.clearSquareSelection();
    return true;
}

bool dropSelectedPiece(ZnBan &game, ZnFlags &flags, Square to) {
    if (game.dropPiece(flags.handSlot(), to)) {
        flags.clearHandSelection();
        return true;
    }
    return selectPiece(game, flags, to);
}

}  // namespace

int BoardColumnAt(int x) { return 8 - (x - 20) / 32; }
int BoardRowAt(int y) { return (y - 56) / 32; }
int SenteStandSlotAt(int y) { return (y - 8) / 20; }
int GoteStandSlotAt(int y) { return (352 - y) / 20; }

bool BoardPress(ZnBan &game, ZnFlags &flags, PromotionAsker &asker, Qt::MouseButton button, int x, int y) {
    if (button != Qt::LeftButton) return false;
    const int square = squareUnder(x, y);
    if (square < 0) return false;
    const auto to = static_cast<Square>(square);
    if (flags.squareSelected()) return moveSelectedPiece(game, flags, asker, to);
    if (flags.handSelected()) return dropSelectedPiece(game, flags, to);
    return selectPiece(game, flags, to);
}

bool StandPress(ZnBan &game, ZnFlags &flags, Side standSide, int y) {
    if (standSide != game.turn()) return false;
    const int slot = standSide == SENTE ? SenteStandSlotAt(y) : GoteStandSlotAt(y);
    if (!game.handSlotExists(slot)) return false;
    flags.SelectHand(slot);
    return true;
}
