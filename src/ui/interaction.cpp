#include "ui/interaction.h"

#include "support/glyphs.h"
#include "ui/render.h"
#include "ui/standlayout.h"

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

void makeMove(ZnBan &game, GameRecord *record, Square from, Square to, bool promote) {
    if (record != nullptr) {
        record->play({from, to, promote, PAWN});
    } else {
        game.makeMove(from, to, promote);
    }
}

// Drops the piece in `slot` of the hand sorted by kind, as dropPiece counts it.
bool drop(ZnBan &game, GameRecord *record, int slot, Square to) {
    if (record == nullptr) return game.dropPiece(slot, to);
    MochiKoma &hand = game.hand(game.turn());
    if (slot < 0 || slot >= hand.size()) return false;
    hand.sortByKind();
    return record->play({IN_HAND, to, false, hand[slot]->kind()}).empty();
}

bool moveSelectedPiece(ZnBan &game, ZnFlags &flags, PromotionAsker &asker, Square to, GameRecord *record) {
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
        case NoPromotion: makeMove(game, record, from, to, false); break;
        case PromotionOptional: {
            const QString name = mover != nullptr ? fromShiftJis(kGlyphTable[mover->kind()]) : QString();
            makeMove(game, record, from, to, asker.askPromotion(name));
            break;
        }
        case PromotionForced: makeMove(game, record, from, to, true); break;
    }
    // Whatever makeMove reported, the move the rules accepted ends this selection.
    flags.clearSquareSelection();
    return true;
}

bool dropSelectedPiece(ZnBan &game, ZnFlags &flags, Square to, GameRecord *record) {
    if (drop(game, record, flags.handSlot(), to)) {
        flags.clearHandSelection();
        return true;
    }
    return selectPiece(game, flags, to);
}

}  // namespace

int BoardColumnAt(int x) { return boardTurned() ? (x - 20) / 32 : 8 - (x - 20) / 32; }
int BoardRowAt(int y) { return boardTurned() ? 8 - (y - 56) / 32 : (y - 56) / 32; }
int SenteStandSlotAt(int y) { return (y - 8) / 20; }
int GoteStandSlotAt(int y) { return (352 - y) / 20; }

bool BoardPress(ZnBan &game, ZnFlags &flags, PromotionAsker &asker, Qt::MouseButton button, int x, int y,
                GameRecord *record) {
    if (button != Qt::LeftButton) return false;
    const int square = squareUnder(x, y);
    if (square < 0) return false;
    const auto to = static_cast<Square>(square);
    if (flags.squareSelected()) return moveSelectedPiece(game, flags, asker, to, record);
    if (flags.handSelected()) return dropSelectedPiece(game, flags, to, record);
    return selectPiece(game, flags, to);
}

bool StandPress(ZnBan &game, ZnFlags &flags, Side standSide, int y) {
    if (standSide != game.turn()) return false;
    MochiKoma &hand = game.hand(standSide);
    // The order the stand is drawn in, so that the place pressed is the piece shown there.
    hand.sortByKind();
    const StandLayout layout(kindsOf(hand));
    const int slot = layout.handIndexOf(layout.placeAt(standSide == viewSide(), y));
    if (!game.handSlotExists(slot)) return false;
    flags.SelectHand(slot);
    return true;
}
