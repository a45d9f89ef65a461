#include "core/znban.h"

#include <algorithm>

#include "core/zobrist.h"
#include "support/report.h"

// ---- MochiKoma ----

void MochiKoma::sortByKind() {
    if (pieces_.size() < 2) return;
    // Insertion sort: a hand is short and usually sorted already.
    for (std::size_t i = 1; i < pieces_.size(); ++i) {
        Koma *piece = pieces_[i];
        std::size_t j = i;
        for (; j > 0 && pieces_[j - 1]->kind() > piece->kind(); --j) pieces_[j] = pieces_[j - 1];
        pieces_[j] = piece;
    }
}

bool MochiKoma::remove(const Koma *piece) {
    // Searched from the end: a piece taken back from a hand is usually the one put there last.
    auto it = std::find(pieces_.rbegin(), pieces_.rend(), piece);
    if (it == pieces_.rend()) return false;
    pieces_.erase(std::next(it).base());
    return true;
}

bool MochiKoma::contains(const Koma *piece) const {
    return std::find(pieces_.begin(), pieces_.end(), piece) != pieces_.end();
}

// ---- ZnBan: life cycle and set-up ----

ZnBan::ZnBan() {
    installOutOfMemoryRule();
    for (auto &list : onBoard_) list.reserve(40);
    history_.reserve(256);
    lineShifts_.reserve(1024);
    newGame();
}

ZnBan::~ZnBan() { clearPieces(); }

void ZnBan::swap(ZnBan &other) noexcept {
    std::swap(replaying_, other.replaying_);
    std::swap(turn_, other.turn_);
    std::swap(moveCount_, other.moveCount_);
    onBoard_.swap(other.onBoard_);
    board_.swap(other.board_);
    hands_.swap(other.hands_);
    history_.swap(other.history_);
    lineShifts_.swap(other.lineShifts_);
    attackMaps_.swap(other.attackMaps_);
    std::swap(occupied_, other.occupied_);
    kings_.swap(other.kings_);
    pieces_.swap(other.pieces_);
    std::swap(pieceCount_, other.pieceCount_);
    std::swap(rangingSlots_, other.rangingSlots_);
    std::swap(key_, other.key_);
}

void ZnBan::newGame() {
    clearPieces();
    resetBoard();
    KomaFukuro set;
    placePieces(set.handOver());
    addAllAttacks();
}

void ZnBan::clearPieces() {
    for (auto &list : onBoard_) list.clear();
    for (auto &hand : hands_) hand.clear();
    history_.clear();
    lineShifts_.clear();
    for (auto &piece : pieces_) piece.reset();
    pieceCount_ = 0;
    rangingSlots_ = 0;
}

void ZnBan::resetBoard() {
    moveCount_ = 0;
    turn_ = SENTE;
    board_.assign(SQUARE_COUNT, nullptr);
    occupied_.clear();
    for (auto &map : attackMaps_) map.assign(SQUARE_COUNT, AttackSet());
    kings_ = {nullptr, nullptr};
    key_ = 0;
}

bool ZnBan::placePiece(std::unique_ptr<Koma> piece) {
    if (!piece || pieceCount_ >= MAX_PIECES || piece->square() > IN_HAND) return false;
    Square square = piece->square();
    Side side = piece->side() & 1;
    if (square == IN_HAND ? piece->promoted() : board_.get(square) != nullptr) return false;
    piece->setSide(side);
    piece->setSlot(static_cast<std::uint8_t>(pieceCount_));
    if (piece->isRanging()) rangingSlots_ |= std::uint64_t{1} << pieceCount_;
    Koma *raw = piece.get();
    pieces_[static_cast<std::size_t>(pieceCount_++)] = std::move(piece);
    if (square == IN_HAND) {
        hands_[side].push_back(raw);
        key_ += zobrist::inHand(side, raw->kind());
    } else {
        key_ += zobrist::onBoard(side, raw->code(), square);
        board_.at(square) = raw;
        occupied_.set(square);
        onBoard_[side].push_back(raw);
        if (raw->kind() == KING) kings_[side] = raw;
    }
    return true;
}

int ZnBan::placePieces(PieceList &pieces) {
    int placed = 0;
    for (auto &piece : pieces)
        if (placePiece(std::move(piece))) ++placed;
    pieces.clear();
    return placed;
}

std::vector<Koma *> ZnBan::allPieces() const {
    std::vector<Koma *> all;
    for (int slot = 0; slot < pieceCount_; ++slot) all.push_back(pieceBySlot(slot));
    return all;
}

std::uint64_t ZnBan::computeKey() const {
    std::uint64_t key = turn_ == GOTE ? zobrist::goteToMove() : 0;
    for (Side side : {SENTE, GOTE}) {
        for (const Koma *piece : onBoard_[side]) key += zobrist::onBoard(side, piece->code(), piece->square());
        for (const Koma *piece : hands_[side]) key += zobrist::inHand(side, piece->kind());
    }
    return key;
}

void ZnBan::eraseFrom(std::vector<Koma *> &list, const Koma *piece) {
    // From the end, as in MochiKoma::remove: a drop taken back takes off the piece entered last.
    auto it = std::find(list.rbegin(), list.rend(), piece);
    if (it != list.rend()) list.erase(std::next(it).base());
}

// ---- legality ----

bool ZnBan::promotionPossible(const Koma *piece, Square to) const {
    if (piece == nullptr || piece->promoted()) return false;
    return piece->canPromote(piece->square(), to);
}

MoveClass ZnBan::classifyMove(Square from, Square to) const {
    if (!onBoardOrReported(from)) return Illegal;
    return classifyMove(board_.get(from), to);
}

MoveClass ZnBan::classifyMove(const Koma *piece, Square to) const {
    if (!onBoardOrReported(to) || !isTurnPiece(piece)) return Illegal;
    Square from = piece->square();
    // A piece that is not where the board says (in a hand, or not this game's) never moves.
    if (from >= SQUARE_COUNT || board_.get(from) != piece || !piece->reaches(to, occupied_)) return Illegal;
    const Koma *target = board_.get(to);
    if (target != nullptr && target->side() == piece->side()) return Illegal;
    if (!promotionPossible(piece, to)) return NoPromotion;
    return piece->canMoveOn(to) ? PromotionOptional : PromotionForced;
}
