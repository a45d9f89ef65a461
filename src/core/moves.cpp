// Making moves and drops, taking them back, and replaying recorded ones.

#include <algorithm>

#include "core/znban.h"
#include "core/zobrist.h"
#include "support/report.h"

namespace {

bool acceptsPromotion(MoveClass moveClass, bool promote) {
    switch (moveClass) {
        case NoPromotion: return !promote;
        case PromotionOptional: return true;
        case PromotionForced: return promote;
        default: return false;
    }
}

}  // namespace

Move moveOf(const MoveHistory &record) {
    Move move;
    move.from = record.from;
    move.to = record.to;
    move.promote = record.promoted != 0;
    if (record.from == IN_HAND && record.piece != nullptr) move.dropKind = record.piece->kind();
    return move;
}

Refusal ZnBan::refusal(const Move &move) const {
    if (move.to >= SQUARE_COUNT) return Refusal::OffBoard;
    if (move.isDrop()) {
        const Koma *piece = nullptr;
        for (const Koma *held : hands_[turn_])
            if (held->kind() == move.dropKind) piece = held;
        if (piece == nullptr) return Refusal::NotInHand;
        if (move.promote) return Refusal::CannotPromote;
        if (board_.get(move.to) != nullptr) return Refusal::Occupied;
        // Beyond an empty square and a square it can move on, the drop rules refuse only a second pawn.
        if (!piece->canMoveOn(move.to)) return Refusal::DeadEnd;
        return piece->canDropOn(move.to, board_) ? Refusal::None : Refusal::TwoPawns;
    }
    if (move.from >= SQUARE_COUNT) return Refusal::OffBoard;
    const Koma *piece = board_.get(move.from);
    if (piece == nullptr) return Refusal::NoPiece;
    if (!isTurnPiece(piece)) return Refusal::NotYourPiece;
    switch (classifyMove(piece, move.to)) {
        case Illegal: return Refusal::CannotReach;
        case NoPromotion: return move.promote ? Refusal::CannotPromote : Refusal::None;
        case PromotionForced: return move.promote ? Refusal::None : Refusal::DeadEnd;
        case PromotionOptional: return Refusal::None;
    }
    return Refusal::CannotReach;
}

bool ZnBan::play(const Move &move) {
    // A square off the board is a caller's fault: reported like any bad index, and refused.
    if (!onBoardOrReported(move.to)) return false;
    if (move.isDrop()) {
        MochiKoma &hand = hands_[turn_];
        if (move.promote) return false;
        // The stand shows the hand sorted by kind, so the piece dropped is the first of its kind there.
        hand.sortByKind();
        for (Koma *piece : hand)
            if (piece->kind() == move.dropKind) return dropKoma(piece, move.to, hand);
        return false;
    }
    if (!onBoardOrReported(move.from)) return false;
    Koma *piece = board_.get(move.from);
    return piece != nullptr && movePiece(piece, move.to, move.promote);
}

bool ZnBan::movePiece(Koma *piece, Square to, bool promote) {
    if (!acceptsPromotion(classifyMove(piece, to), promote)) return false;
    const Square from = piece->square();
    Koma *captured = board_.get(to);
    // In replay mode the record redone was made on this same position, so it holds these already.
    if (!replaying_)
        history_.push_back({from, to, piece, promote, captured,
                            static_cast<std::uint8_t>(captured ? captured->promoted() : 0), key_, false,
                            piece->attacks(), captured ? captured->attacks() : Bitboard(),
                            static_cast<std::uint32_t>(lineShifts_.size()), 0});
    key_ -= zobrist::onBoard(piece->side(), piece->code(), from);
    if (captured != nullptr) {
        key_ -= zobrist::onBoard(captured->side(), captured->code(), to);
        key_ += zobrist::inHand(piece->side(), captured->kind());
        removeAttacks(captured);
        eraseFrom(onBoard_[captured->side()], captured);
        captured->setPromoted(false);
        captured->setSquare(IN_HAND);
        captured->setSide(piece->side());
        hands_[piece->side()].push_back(captured);
    }
    // Both squares are the board's: classifyMove refuses any other.
    board_[from] = nullptr;
    board_[to] = piece;
    occupied_.reset(from);
    occupied_.set(to);
    piece->setSquare(to);
    piece->promote(promote);
    key_ += zobrist::onBoard(piece->side(), piece->code(), to);
    // A capture leaves `to` occupied, so no line through it changes.
    const std::uint64_t moverSlot = std::uint64_t{1} << piece->slot();
    shiftLines(from, captured != nullptr ? IN_HAND : to, moverSlot);
    if (!replaying_) history_.back().linesEnd = static_cast<std::uint32_t>(lineShifts_.size());
    // The mover keeps its side, so taking its old attacks out and entering the new ones touches
    // only the squares where the two differ.
    reenterAttacks(piece);
    ++moveCount_;
    flipTurnKey();
    turn_ = otherSide(turn_);
    noteCheck();
    return true;
}

bool ZnBan::dropKoma(Koma *piece, Square to, MochiKoma &hand) {
    if (piece == nullptr || !onBoardOrReported(to) || &hand != &hands_[turn_] ||
        !hand.contains(piece) || !piece->canDropOn(to, board_))
        return false;
    if (!replaying_)
        history_.push_back({IN_HAND, to, piece, 0, nullptr, 0, key_, false, {}, {},
                            static_cast<std::uint32_t>(lineShifts_.size()), 0});
    hand.remove(piece);
    onBoard_[turn_].push_back(piece);
    board_.at(to) = piece;
    occupied_.set(to);
    piece->setSquare(to);
    key_ += zobrist::onBoard(turn_, piece->code(), to) - zobrist::inHand(turn_, piece->kind());
    addAttacks(piece);
    shiftLines(IN_HAND, to, std::uint64_t{1} << piece->slot());
    if (!replaying_) history_.back().linesEnd = static_cast<std::uint32_t>(lineShifts_.size());
    ++moveCount_;
    flipTurnKey();
    turn_ = otherSide(turn_);
    noteCheck();
    return true;
}

void ZnBan::noteCheck() {
    const Koma *king = kings_[turn_];
    if (replaying_ || history_.empty() || king == nullptr || king->square() >= SQUARE_COUNT) return;
    // The king's square is checked above, so the map is read unchecked.
    history_.back().gaveCheck = !attackMaps_[otherSide(turn_)][king->square()].empty();
}

bool ZnBan::undoMove() {
    if (moveCount_ <= 0 || history_.size() < static_cast<std::size_t>(moveCount_)) return false;
    // Read in place: nothing below adds a record, and the record is dropped last.
    const MoveHistory &record =
        replaying_ ? history_[static_cast<std::size_t>(moveCount_ - 1)] : history_.back();
    Koma *piece = record.piece;
    Koma *captured = record.captured;
    const Side mover = otherSide(turn_);
    key_ -= zobrist::onBoard(mover, piece->code(), record.to);

    if (record.from == IN_HAND) {
        key_ += zobrist::inHand(mover, piece->kind());
        removeAttacks(piece);
        eraseFrom(onBoard_[mover], piece);
        hands_[mover].push_back(piece);
        piece->setSquare(IN_HAND);
    } else {
        if (record.promoted) piece->setPromoted(false);
        key_ += zobrist::onBoard(mover, piece->code(), record.from);
        piece->setSquare(record.from);
        board_.at(record.from) = piece;
        occupied_.set(record.from);
    }
    board_.at(record.to) = captured;
    if (captured == nullptr) {
        occupied_.reset(record.to);
    } else {
        hands_[mover].remove(captured);
        onBoard_[turn_].push_back(captured);
        captured->setPromoted(record.capturedWasPromoted != 0);
        captured->setSquare(record.to);
        captured->setSide(turn_);
        key_ +=
            zobrist::onBoard(turn_, captured->code(), record.to) - zobrist::inHand(mover, captured->kind());
        // Out of play since it was taken, it attacked nothing; now it attacks what it did then.
        reenterAttacks(captured, record.capturedAttacks);
    }
    // The other pieces' lines go back as the move shifted them; the mover and the captured piece
    // were left out of the shifts, and are given their own attacks back.
    unshiftLines(record);
    // A piece going back to its square kept its side, so only its changed squares are touched.
    if (record.from != IN_HAND) reenterAttacks(piece, record.moverAttacks);
    if (!replaying_) {
        lineShifts_.resize(std::min<std::size_t>(record.linesBegin, lineShifts_.size()));
        history_.pop_back();
    }

    --moveCount_;
    flipTurnKey();
    turn_ = mover;
    return true;
}

bool ZnBan::redoMove() {
    if (!replaying_ || moveCount_ < 0 || static_cast<std::size_t>(moveCount_) >= history_.size())
        return false;
    const MoveHistory &record = history_[static_cast<std::size_t>(moveCount_)];
    if (record.from == IN_HAND) return dropKoma(record.piece, record.to, hands_[turn_]);
    return movePiece(record.piece, record.to, record.promoted != 0);
}

std::size_t ZnBan::truncateHistory() {
    const auto kept = static_cast<std::size_t>(std::max(moveCount_, 0));
    if (history_.size() <= kept) return 0;
    const std::size_t dropped = history_.size() - kept;
    // The records only refer to pieces the game owns, so dropping them frees nothing else.
    lineShifts_.resize(std::min<std::size_t>(history_[kept].linesBegin, lineShifts_.size()));
    history_.resize(kept);
    return dropped;
}
