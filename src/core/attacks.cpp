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

void ZnBan::reenterAttacks(Koma *piece) {
    const Bitboard before = piece->attacks();
    enterChangedSquares(piece, before, piece->updateAttacks(occupied_));
}

void ZnBan::reenterAttacks(Koma *piece, const Bitboard &attacks) {
    const Bitboard before = piece->attacks();
    piece->restoreAttacks(attacks);
    enterChangedSquares(piece, before, attacks);
}

void ZnBan::enterChangedSquares(const Koma *piece, const Bitboard &before, const Bitboard &after) {
    const Bitboard changed = before ^ after;
    if (changed.empty()) return;
    // A bitboard holds board squares only, so the map is indexed unchecked on this hottest path.
    AttackSet *map = attackMaps_[piece->side()].data();
    const int slot = piece->slot();
    (changed & before).forEachSquare([&](Square square) { map[square].eraseSlot(slot); });
    (changed & after).forEachSquare([&](Square square) { map[square].insertSlot(slot); });
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
    const bool opened = !occupied.contains(square);
    std::uint64_t slots = rangingAttackersOf(square) & ~skipSlots;
    while (slots != 0) {
        Koma *piece = pieceBySlot(std::countr_zero(slots));
        slots &= slots - 1;
        // A bitboard holds board squares only, so the map is indexed unchecked, as in reenterAttacks.
        AttackSet *map = attackMaps_[piece->side()].data();
        const int slot = piece->slot();
        const Bitboard beyond = piece->shiftLineThrough(square, occupied);
        if (!replaying_) lineShifts_.push_back({beyond, static_cast<std::uint8_t>(slot), opened});
        if (opened)
            beyond.forEachSquare([&](Square at) { map[at].insertSlot(slot); });
        else
            beyond.forEachSquare([&](Square at) { map[at].eraseSlot(slot); });
    }
}

void ZnBan::unshiftLines(const MoveHistory &record) {
    const std::size_t end = std::min<std::size_t>(record.linesEnd, lineShifts_.size());
    // Each entry toggled every square it holds (a line opened past an empty square was not
    // attacked there, one cut off was), so the same squares toggled back, last entry first,
    // leave the lines as they were.
    for (std::size_t i = end; i > record.linesBegin; --i) {
        const LineShift &shift = lineShifts_[i - 1];
        Koma *piece = pieceBySlot(shift.slot);
        piece->restoreAttacks(piece->attacks() ^ shift.beyond);
        AttackSet *map = attackMaps_[piece->side()].data();
        if (shift.opened)
            shift.beyond.forEachSquare([&](Square at) { map[at].eraseSlot(shift.slot); });
        else
            shift.beyond.forEachSquare([&](Square at) { map[at].insertSlot(shift.slot); });
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
