#include "ui/interaction.h"

#include <functional>

#include "support/glyphs.h"
#include "ui/render.h"
#include "ui/standlayout.h"

namespace {

// The grid square under a press, or -1 when the press lies outside the 9 x 9 grid.
int squareUnder(int x, int y, BoardView view) {
    const int column = BoardColumnAt(x, view);
    const int row = BoardRowAt(y, view);
    return onBoard(row, column) ? squareAt(row, column) : -1;
}

bool selectPiece(ZnBan &game, ZnFlags &flags, Square square) {
    if (!game.isTurnPiece(game.pieceAt(square))) return false;
    flags.SelectSquare(square);
    return true;
}

// Where a move the piece can make goes: the record, the game alone, or a game by the rules. Answers
// why it was refused, empty when it stands.
using Play = std::function<QString(const Move &)>;

Play playOn(ZnBan &game, GameRecord *record) {
    return [&game, record](const Move &move) -> QString {
        if (record != nullptr) return QString::fromStdString(record->play(move));
        return QString::fromUtf8(refusalText(game.play(move) ? Refusal::None : game.refusal(move)));
    };
}

// Drops the piece in `slot` of the hand sorted by kind, as the stand shows it.
QString drop(ZnBan &game, const Play &play, int slot, Square to) {
    MochiKoma &hand = game.hand(game.turn());
    if (slot < 0 || slot >= hand.size()) return QStringLiteral("持ち駒がありません");
    hand.sortByKind();
    return play({IN_HAND, to, false, hand[slot]->kind()});
}

bool moveSelectedPiece(ZnBan &game, ZnFlags &flags, PromotionAsker &asker, Square to, const Play &play,
                       QString &refusal) {
    const Square from = flags.selectedSquare();
    const Koma *mover = from < SQUARE_COUNT ? game.pieceAt(from) : nullptr;
    switch (game.classifyMove(from, to)) {
        case Illegal: {
            // Pressing another piece of the mover's side (or the selected piece itself) hands the
            // selection over to it; any other refused press leaves everything as it was, and says why.
            const Koma *target = game.pieceAt(to);
            if (mover == nullptr) return false;
            if (target == nullptr || target->side() != mover->side()) {
                refusal = QStringLiteral("%1はそこへ動けません").arg(fromShiftJis(mover->glyph()));
                return false;
            }
            flags.SelectSquare(to);
            return true;
        }
        case NoPromotion: refusal = play({from, to, false, PAWN}); break;
        case PromotionOptional: {
            const QString name = mover != nullptr ? fromShiftJis(kGlyphTable[mover->kind()]) : QString();
            refusal = play({from, to, asker.askPromotion(name), PAWN});
            break;
        }
        case PromotionForced: refusal = play({from, to, true, PAWN}); break;
    }
    // Whatever the move came to, the piece can make it, which ends this selection.
    flags.clearSquareSelection();
    return true;
}

bool dropSelectedPiece(ZnBan &game, ZnFlags &flags, Square to, const Play &play, QString &refusal) {
    const QString refused = drop(game, play, flags.handSlot(), to);
    if (refused.isEmpty()) {
        flags.clearHandSelection();
        return true;
    }
    if (selectPiece(game, flags, to)) return true;
    // Onto an empty square the drop was meant: say why not. A press on a piece that cannot be
    // selected says nothing, as before.
    if (!game.isOccupied(to)) refusal = refused;
    return false;
}

bool press(ZnBan &game, ZnFlags &flags, PromotionAsker &asker, int x, int y, const Play &play,
           QString &refusal, BoardView view) {
    const int square = squareUnder(x, y, view);
    if (square < 0) return false;
    const auto to = static_cast<Square>(square);
    if (flags.squareSelected()) return moveSelectedPiece(game, flags, asker, to, play, refusal);
    if (flags.handSelected()) return dropSelectedPiece(game, flags, to, play, refusal);
    return selectPiece(game, flags, to);
}

}  // namespace

int BoardColumnAt(int x, BoardView view) { return view.turned ? (x - 20) / 32 : 8 - (x - 20) / 32; }
int BoardRowAt(int y, BoardView view) { return view.turned ? 8 - (y - 56) / 32 : (y - 56) / 32; }
int SenteStandSlotAt(int y) { return (y - 8) / 20; }
int GoteStandSlotAt(int y) { return (352 - y) / 20; }

bool BoardPress(ZnBan &game, ZnFlags &flags, PromotionAsker &asker, Qt::MouseButton button, int x, int y,
                GameRecord *record, BoardView view, QString *refusal) {
    if (button != Qt::LeftButton) return false;
    QString refused;
    const bool changed = press(game, flags, asker, x, y, playOn(game, record), refused, view);
    if (refusal != nullptr) *refusal = refused;
    return changed;
}

bool BoardPressInGame(ZnBan &game, ZnFlags &flags, PromotionAsker &asker, int x, int y,
                      const std::function<QString(const Move &)> &play, QString &refusal,
                      BoardView view) {
    refusal.clear();
    return press(game, flags, asker, x, y, play, refusal, view) || !refusal.isEmpty();
}

bool StandPress(ZnBan &game, ZnFlags &flags, Side standSide, int y, BoardView view) {
    if (standSide != game.turn()) return false;
    MochiKoma &hand = game.hand(standSide);
    // The order the stand is drawn in, so that the place pressed is the piece shown there.
    hand.sortByKind();
    const StandLayout layout(kindsOf(hand));
    const int slot = layout.handIndexOf(layout.placeAt(standSide == view.side(), y));
    if (!game.handSlotExists(slot)) return false;
    flags.SelectHand(slot);
    return true;
}
