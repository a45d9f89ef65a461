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

std::uint64_t ZnBan::rangingAttackersOf(Square square) const {
    if (square >= SQUARE_COUNT) return 0;
    return (attackMaps_[0].at(square).bits() | attackMaps_[1].at(square).bits()) & rangingSlots_;
}

void ZnBan::refreshLinesThrough(Square square) { refreshLinesThrough(square, square); }

void ZnBan::refreshLinesThrough(Square first, Square second) {
    // Any line that changes reached one of the two squares before the change, so its piece still
    // lists that square. Only that line is walked again: the rest of the piece's reach is as it was,
    // and the piece ends exactly as if its attacks had been removed and added anew.
    std::uint64_t slots = rangingAttackersOf(first) | rangingAttackersOf(second);
    while (slots != 0) {
        Koma *piece = pieceBySlot(std::countr_zero(slots));
        slots &= slots - 1;
        const AttackMap &map = attackMaps_[piece->side()];
        const bool throughFirst = first < SQUARE_COUNT && map.at(first).containsSlot(piece->slot());
        const bool throughSecond =
            second != first && second < SQUARE_COUNT && map.at(second).containsSlot(piece->slot());
        if (throughFirst) relinkLineThrough(piece, first);
        if (throughSecond) relinkLineThrough(piece, second);
    }
}

void ZnBan::relinkLineThrough(Koma *piece, Square changed) {
    SquareList removed, added;
    if (!piece->updateLineThrough(board_, changed, removed, added)) return;
    AttackMap &map = attackMaps_[piece->side()];
    for (Square square : removed) map.at(square).eraseSlot(piece->slot());
    for (Square square : added) map.at(square).insertSlot(piece->slot());
}

void ZnBan::addAllAttacks() {
    for (Side side : {SENTE, GOTE})
        for (Koma *piece : onBoard_[side]) addAttacks(piece);
}

void ZnBan::rebuildAttackMaps() {
    for (auto &map : attackMaps_) map.assign(SQUARE_COUNT, AttackSet());
    addAllAttacks();
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
