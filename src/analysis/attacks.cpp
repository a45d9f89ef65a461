// Keeping both attack maps up to date, one piece at a time.

#include <bit>

#include "core/znban.h"

void ZnBan::addAttacks(Koma *piece) {
    if (piece == nullptr || piece->square() >= SQUARE_COUNT) return;
    AttackMap &map = attackMaps_[piece->side()];
    for (Square square : piece->updateAttacks(board_)) map.at(square).insertSlot(piece->slot());
}

void ZnBan::removeAttacks(Koma *piece) {
    AttackMap &map = attackMaps_[piece->side()];
    for (Square square : piece->attacks()) map.at(square).eraseSlot(piece->slot());
    piece->clearAttacks();
}

void ZnBan::refreshLinesThrough(Square square) {
    if (square >= SQUARE_COUNT) return;
    // Taken as a copy: re-entering a piece changes the very sets being read.
    std::uint64_t slots = (attackMaps_[0].at(square).bits() | attackMaps_[1].at(square).bits()) & rangingSlots_;
    while (slots != 0) {
        Koma *piece = pieceBySlot(std::countr_zero(slots));
        slots &= slots - 1;
        removeAttacks(piece);
        addAttacks(piece);
    }
}

void ZnBan::addAllAttacks() {
    for (Side side : {SENTE, GOTE})
        for (Koma *piece : onBoard_[side]) addAttacks(piece);
}

std::vector<Koma *> ZnBan::attackers(Side side, Square square) const {
    std::vector<Koma *> result;
    std::uint64_t slots = attackMaps_[side & 1].at(square).bits();
    while (slots != 0) {
        result.push_back(pieceBySlot(std::countr_zero(slots)));
        slots &= slots - 1;
    }
    return result;
}
