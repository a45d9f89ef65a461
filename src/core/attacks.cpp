// Keeping both attack maps up to date, one piece at a time.

#include <algorithm>
#include <bit>

#include "core/znban.h"

void ZnBan::addAttacks(Koma *piece) {
    if (piece == nullptr || piece->square() >= SQUARE_COUNT) return;
    AttackMap &map = attackMaps_[piece->side()];
    for (Square square : piece->updateAttacks(occupied_)) map.at(square).insertSlot(piece->slot());
}

void ZnBan::removeAttacks(Koma *piece) {
    AttackMap &map = attackMaps_[piece->side()];
    for (Square square : piece->attacks()) map.at(square).eraseSlot(piece->slot());
    piece->clearAttacks();
}

std::uint64_t ZnBan::rangingAttackersOf(Square square) const {
    if (square >= SQUARE_COUNT) return 0;
    // Checked above: every make and undo asks this twice, so the maps are read unchecked.
    return (attackMaps_[0][square].bits() | attackMaps_[1][square].bits()) & rangingSlots_;
}

void ZnBan::refreshLinesThrough(Square square) { refreshLinesThrough(square, square); }

void ZnBan::refreshLinesThrough(Square first, Square second) {
    // Every line that changes reached one of the two squares before the change, so its piece is
    // still entered there. A piece found at both is re-entered once, from the board as it now
    // stands, which ends exactly where refreshing one square after the other would.
    std::uint64_t slots = rangingAttackersOf(first) | rangingAttackersOf(second);
    while (slots != 0) {
        reenterAttacks(pieceBySlot(std::countr_zero(slots)));
        slots &= slots - 1;
    }
}

// The map holds a piece at exactly the squares of its attacks, so each changed square toggles.
void ZnBan::reenterAttacks(Koma *piece) {
    const Bitboard before = piece->attacks();
    toggleSquares(piece, before ^ piece->updateAttacks(occupied_));
}

void ZnBan::reenterAttacks(Koma *piece, const Bitboard &attacks) {
    const Bitboard before = piece->attacks();
    piece->restoreAttacks(attacks);
    toggleSquares(piece, before ^ attacks);
}

void ZnBan::toggleSquares(const Koma *piece, const Bitboard &squares) {
    // A bitboard holds board squares only, so the map is indexed unchecked on this hottest path.
    AttackSet *map = attackMaps_[piece->side()].data();
    const int slot = piece->slot();
    squares.forEachSquare([&](Square square) { map[square].toggleSlot(slot); });
}

void ZnBan::shiftLines(Square emptied, Square filled, std::uint64_t skipSlots) {
    // Taken one square after the other, so a line through both is first opened past `emptied` on a
    // board where `filled` is still empty, then cut back at `filled`.
    if (emptied < SQUARE_COUNT) {
        Bitboard beforeFilling = occupied_;
        beforeFilling.reset(filled);
        shiftLinesThrough(emptied, beforeFilling, skipSlots);
    }
    if (filled < SQUARE_COUNT) shiftLinesThrough(filled, occupied_, skipSlots);
}

void ZnBan::shiftLinesThrough(Square square, const Bitboard &occupied, std::uint64_t skipSlots) {
    std::uint64_t slots = rangingAttackersOf(square) & ~skipSlots;
    while (slots != 0) {
        Koma *piece = pieceBySlot(std::countr_zero(slots));
        slots &= slots - 1;
        const Bitboard beyond = piece->shiftLineThrough(square, occupied);
        if (!replaying_) lineShifts_.push_back({beyond, piece->slot()});
        toggleSquares(piece, beyond);
    }
}

void ZnBan::unshiftLines(const MoveHistory &record) {
    // A shift toggled the squares beyond a changed square in the piece's attacks and in the map
    // alike; toggled again, in any order, they are as they were.
    const std::size_t end = std::min<std::size_t>(record.linesEnd, lineShifts_.size());
    for (std::size_t i = record.linesBegin; i < end; ++i) {
        const LineShift &shift = lineShifts_[i];
        Koma *piece = pieceBySlot(shift.slot);
        piece->restoreAttacks(piece->attacks() ^ shift.beyond);
        toggleSquares(piece, shift.beyond);
    }
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
