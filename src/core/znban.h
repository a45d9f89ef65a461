#pragma once
// The game object: the position (board, hands, side to move, move count), the move history and
// both attack maps. Every change of the position goes through the operations declared here.

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "core/attackset.h"
#include "core/move.h"
#include "core/zobrist.h"
#include "pieces/koma.h"
#include "pieces/komafukuro.h"
#include "support/report.h"
#include "support/types.h"

// The answer of classifyMove.
enum MoveClass : int { Illegal = 0, NoPromotion = 1, PromotionOptional = 2, PromotionForced = 3 };

// One move or drop as made; from is IN_HAND for a drop.
struct MoveHistory {
    Square from = IN_HAND;
    Square to = 0;
    Koma *piece = nullptr;
    std::uint8_t promoted = 0;
    Koma *captured = nullptr;
    std::uint8_t capturedWasPromoted = 0;
    // The position key before the move, and whether the move attacked the other king: what a
    // repetition is judged by.
    std::uint64_t keyBefore = 0;
    bool gaveCheck = false;
    // The squares the mover and the captured piece attacked before the move. Taking the move back
    // restores the board they were computed on, so undo gives them back instead of recomputing.
    Bitboard moverAttacks;
    Bitboard capturedAttacks;
    // The move's entries in the game's log of shifted lines, [linesBegin, linesEnd).
    std::uint32_t linesBegin = 0;
    std::uint32_t linesEnd = 0;
};

// The move a history record made.
Move moveOf(const MoveHistory &record);

// One ranging piece's line as a move shifted it: the squares beyond a changed square, which the
// line newly reaches or no longer reaches. Undo toggles them back instead of sliding again.
struct LineShift {
    Bitboard beyond;
    std::uint8_t slot = 0;
};

// One side's pieces in hand, in stand order.
class MochiKoma {
public:
    MochiKoma() { pieces_.reserve(40); }

    // Reorders the hand so that kinds ascend, king first and pawn last.
    void sortByKind();

    int size() const { return static_cast<int>(pieces_.size()); }
    bool empty() const { return pieces_.empty(); }
    Koma *operator[](int i) const { return pieces_[static_cast<std::size_t>(i)]; }
    auto begin() const { return pieces_.begin(); }
    auto end() const { return pieces_.end(); }
    void push_back(Koma *piece) { pieces_.push_back(piece); }
    // Removes `piece`; false when it is not in this hand.
    bool remove(const Koma *piece);
    bool contains(const Koma *piece) const;
    void clear() { pieces_.clear(); }

private:
    std::vector<Koma *> pieces_;
};

class ZnBan {
public:
    // The most pieces one game can own; the starting set has 40.
    static constexpr int MAX_PIECES = 64;

    ZnBan();
    virtual ~ZnBan();
    ZnBan(const ZnBan &) = delete;
    ZnBan &operator=(const ZnBan &) = delete;

    // Exchanges the whole game with `other`; pointers into either game stay valid.
    void swap(ZnBan &other) noexcept;

    // ---- queries ----
    Koma *pieceAt(Square square) const { return board_.get(square); }
    bool isOccupied(Square square) const { return board_.get(square) != nullptr; }
    MochiKoma &hand(Side side) { return hands_[side & 1]; }
    const MochiKoma &hand(Side side) const { return hands_[side & 1]; }
    const std::vector<Koma *> &piecesOnBoard(Side side) const { return onBoard_[side & 1]; }
    const AttackMap &attackMap(Side side) const { return attackMaps_[side & 1]; }
    // How many pieces of `side` attack `square`.
    int attackCount(Side side, Square square) const { return attackMaps_[side & 1].at(square).size(); }
    // The pieces of `side` attacking `square`, in piece-table order.
    std::vector<Koma *> attackers(Side side, Square square) const;
    bool isTurnPiece(const Koma *piece) const { return piece != nullptr && piece->side() == turn_; }
    bool handSlotExists(int position) const { return position >= 0 && position < hands_[turn_].size(); }
    // Whether `piece` may promote moving from its square to `to`.
    bool promotionPossible(const Koma *piece, Square to) const;
    Side turn() const { return turn_; }
    int moveCount() const { return moveCount_; }
    bool replaying() const { return replaying_; }
    const std::vector<MoveHistory> &history() const { return history_; }
    const Board &board() const { return board_; }
    // The squares that hold a piece, as the ranging pieces' reach is computed from them.
    const Bitboard &occupied() const { return occupied_; }
    Koma *king(Side side) const { return kings_[side & 1]; }
    // The position key: board, both hands and the side to move, kept with every change.
    std::uint64_t key() const { return key_; }
    // The key computed from scratch, for checking the kept one.
    std::uint64_t computeKey() const;
    // Every piece the game owns, in the order it took them over.
    std::vector<Koma *> allPieces() const;

    // ---- set-up ----
    // Clears the game and sets up the standard starting position, sente to move.
    void newGame();
    // Destroys every piece and every history record; always followed by resetBoard.
    void clearPieces();
    // Empty board and attack maps, sente to move, move count 0, no kings.
    void resetBoard();
    // Takes over one piece whose side, kind, square and promotion are set; false (piece destroyed)
    // when the square is taken or off the board, a piece in hand is promoted, or the game already
    // owns MAX_PIECES pieces.
    bool placePiece(std::unique_ptr<Koma> piece);
    // placePiece for each piece in order, emptying the list; returns how many were placed.
    int placePieces(PieceList &pieces);
    // Fills both attack maps from scratch: sente's board pieces, then gote's.
    void addAllAttacks();
    // Empties both maps and fills them again from scratch; play never needs it.
    void rebuildAttackMaps();
    // Sets the side to move of a position being set up.
    void setTurn(Side side) {
        if (turn_ != (side & 1)) flipTurnKey();
        turn_ = side & 1;
    }
    // Switches replay mode, in which moves are not recorded and undo keeps the records.
    void setReplaying(bool on) { replaying_ = on; }

    // ---- legality ----
    // Classifies the move of the piece on `from` to `to`.
    MoveClass classifyMove(Square from, Square to) const;
    // Classifies the move of `piece` from its own square to `to`.
    MoveClass classifyMove(const Koma *piece, Square to) const;

    // ---- moves ----
    // Why the free board refuses `move` for the side to move (movement, promotion and the drop
    // rules, nothing about kings); None when play would make it. A query: nothing is reported.
    Refusal refusal(const Move &move) const;
    // Makes `move` for the side to move: a board move, or a drop of the first piece of its kind
    // in the hand (sorted by kind first). False, with nothing changed, when refusal() names a
    // reason; a square off the board is reported like any bad index.
    bool play(const Move &move);
    // Takes back the last applied move; false at move 0.
    bool undoMove();
    // In replay mode, applies the record at moveCount again.
    bool redoMove();
    // Drops the history records after the first moveCount ones, so that the moves applied are the
    // whole line again; returns how many were dropped. The position does not change.
    std::size_t truncateHistory();

private:
    // The core's own tests call the upkeep helpers below directly.
    friend struct ZnBanInternals;

    bool movePiece(Koma *piece, Square to, bool promote);
    bool dropKoma(Koma *piece, Square to, MochiKoma &hand);

    // Attack map upkeep: every change of a map goes through these.
    void addAttacks(Koma *piece);
    void removeAttacks(Koma *piece);
    // Re-enters every ranging piece of either side that attacks `square`.
    void refreshLinesThrough(Square square);
    // The same for two changed squares, re-entering a piece that attacks both only once: the
    // result equals refreshing one square after the other.
    void refreshLinesThrough(Square first, Square second);

    // Whether `square` is on the board; one off it is reported like any bad index. The test is
    // made here first so that a good square, as on every move, costs no call.
    static bool onBoardOrReported(Square square) { return square < SQUARE_COUNT || checkIndex(square, SQUARE_COUNT); }
    Koma *pieceBySlot(int slot) const { return pieces_[static_cast<std::size_t>(slot)].get(); }
    // The ranging pieces of either side that attack `square`, as piece-table slots.
    std::uint64_t rangingAttackersOf(Square square) const;
    // removeAttacks then addAttacks for a piece that keeps its side, touching only the squares
    // whose entry changes.
    void reenterAttacks(Koma *piece);
    // The same with the piece's new attacks known, as a take-back knows them from its record.
    void reenterAttacks(Koma *piece, const Bitboard &attacks);
    // Toggles the piece in the map of its side at `squares`, whose membership in its attacks has
    // just flipped.
    void toggleSquares(const Koma *piece, const Bitboard &squares);
    // What a move or drop does to the lines of the ranging pieces: `emptied` is the square it left
    // empty and `filled` the one it occupied, either IN_HAND when there is none; occupied_ already
    // shows both. The pieces in `skipSlots` are left alone (the caller enters them on the board as
    // it now stands). Only the squares beyond a changed square change, so no reach is recomputed.
    // Outside replay mode each shifted line is logged for the take-back.
    void shiftLines(Square emptied, Square filled, std::uint64_t skipSlots);
    // One changed square, on the board `occupied` as it stood right after that change.
    void shiftLinesThrough(Square square, const Bitboard &occupied, std::uint64_t skipSlots);
    // Takes back the logged shifts of one record.
    void unshiftLines(const MoveHistory &record);
    static void eraseFrom(std::vector<Koma *> &list, const Koma *piece);
    // Notes in the last record whether the move just made attacks the other side's king.
    void noteCheck();
    // Moves the key's share of the side to move over to the other side; called before turn_ changes.
    void flipTurnKey() { key_ += turn_ == SENTE ? zobrist::goteToMove() : 0 - zobrist::goteToMove(); }

    bool replaying_ = false;
    Side turn_ = SENTE;
    int moveCount_ = 0;
    std::array<std::vector<Koma *>, 2> onBoard_;
    Board board_;
    std::array<MochiKoma, 2> hands_;
    std::vector<MoveHistory> history_;
    // The lines every recorded move shifted, in the order of the records.
    std::vector<LineShift> lineShifts_;
    std::array<AttackMap, 2> attackMaps_;
    // The squares whose board entry is not null, kept with the board for the reach of ranging pieces.
    Bitboard occupied_;
    std::array<Koma *, 2> kings_{};
    std::uint64_t key_ = 0;

    // Owner of every piece; the lists above only refer to them.
    std::array<std::unique_ptr<Koma>, MAX_PIECES> pieces_;
    int pieceCount_ = 0;
    // Slots of the ranging pieces, the only ones whose reach depends on other squares.
    std::uint64_t rangingSlots_ = 0;
};
