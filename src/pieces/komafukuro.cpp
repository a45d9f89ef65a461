#include "pieces/komafukuro.h"

namespace {

// Rows of the starting position; the rook and the bishop swap columns between the sides.
int backRow(Side side) { return side == SENTE ? 8 : 0; }
int rookRow(Side side) { return side == SENTE ? 7 : 1; }
int pawnRow(Side side) { return side == SENTE ? 6 : 2; }

}  // namespace

KomaFukuro::KomaFukuro() { buildStartingSet(); }

void KomaFukuro::clearSet() {
    pool_.clear();
    taken_.clear();
}

void KomaFukuro::buildStartingSet() {
    clearSet();
    for (Side side : {SENTE, GOTE}) {
        addKings(side);
        addGolds(side);
        addSilvers(side);
        addKnights(side);
        addLances(side);
        addRooks(side);
        addBishops(side);
        addPawns(side);
    }
}

void KomaFukuro::add(PieceKind kind, Side side, int row, int column) {
    pool_.push_back(makeKoma(kind, static_cast<Square>(squareAt(row, column)), side));
}

void KomaFukuro::addKings(Side side) { add(KING, side, backRow(side), 4); }

void KomaFukuro::addGolds(Side side) {
    add(GOLD, side, backRow(side), 3);
    add(GOLD, side, backRow(side), 5);
}

void KomaFukuro::addSilvers(Side side) {
    add(SILVER, side, backRow(side), 2);
    add(SILVER, side, backRow(side), 6);
}

void KomaFukuro::addKnights(Side side) {
    add(KNIGHT, side, backRow(side), 1);
    add(KNIGHT, side, backRow(side), 7);
}

void KomaFukuro::addLances(Side side) {
    add(LANCE, side, backRow(side), 0);
    add(LANCE, side, backRow(side), 8);
}

void KomaFukuro::addRooks(Side side) { add(ROOK, side, rookRow(side), side == SENTE ? 1 : 7); }

void KomaFukuro::addBishops(Side side) { add(BISHOP, side, rookRow(side), side == SENTE ? 7 : 1); }

void KomaFukuro::addPawns(Side side) {
    for (int column = 0; column < 9; ++column) add(PAWN, side, pawnRow(side), column);
}

PieceList &KomaFukuro::handOver() {
    for (auto &piece : pool_) taken_.push_back(std::move(piece));
    pool_.clear();
    return taken_;
}

PieceList &KomaFukuro::takePiece(PieceCode code, Square square, Side side) {
    if (code >= CODE_COUNT) return taken_;
    for (auto it = pool_.begin(); it != pool_.end(); ++it) {
        if ((*it)->kind() != baseKindOf(code)) continue;
        Koma &piece = **it;
        piece.setSquare(square);
        piece.setSide(side);
        piece.promote(isPromotedCode(code));
        taken_.push_back(std::move(*it));
        pool_.erase(it);
        break;
    }
    return taken_;
}
