#include "core/preview.h"

void copyPosition(const ZnBan &game, ZnBan &copy) {
    copy.clearPieces();
    copy.resetBoard();
    // Placing the pieces in the game's slot order gives each the same slot, so the two attack maps
    // are alike bit for bit.
    for (const Koma *piece : game.allPieces()) {
        std::unique_ptr<Koma> twin = makeKoma(piece->kind(), piece->square(), piece->side());
        if (!twin) continue;
        twin->setPromoted(piece->promoted());
        copy.placePiece(std::move(twin));
    }
    // The hands keep the game's order, whatever order the slots gave them.
    const std::vector<Koma *> twins = copy.allPieces();
    for (Side side : {SENTE, GOTE}) {
        MochiKoma &hand = copy.hand(side);
        hand.clear();
        for (const Koma *piece : game.hand(side))
            if (piece->slot() < twins.size()) hand.push_back(twins[piece->slot()]);
    }
    copy.setTurn(game.turn());
    copy.addAllAttacks();
}

bool MovePreview::tryMove(const ZnBan &game, Square from, Square to) {
    copyPosition(game, copy_);
    const MoveClass moveClass = copy_.classifyMove(from, to);
    if (moveClass == Illegal) return false;
    return copy_.play({from, to, moveClass == PromotionForced});
}

bool MovePreview::tryDrop(const ZnBan &game, PieceKind kind, Square to) {
    copyPosition(game, copy_);
    return copy_.play({IN_HAND, to, false, kind});
}

bool MovePreview::takeBack() { return copy_.undoMove(); }
