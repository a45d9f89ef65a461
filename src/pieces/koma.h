#pragma once
// One piece of the game. Its class is fixed by its kind and carries every per-kind rule: patterns,
// promotion, drops and the squares it attacks. Nobody else branches on the kind to apply a rule.

#include <cstdint>
#include <memory>

#include "support/types.h"
#include "pieces/bitboard.h"
#include "pieces/squarelist.h"
#include "support/myvector.h"

class Koma;

// The 81 board entries, null for an empty square.
using Board = myvector<Koma *>;

// Decides whether listTargets appends a square.
using SquareFilter = bool (*)(const Board &board, Side side, Square square);

// Accepts every square: a piece attacks the squares of its own pieces too.
bool acceptAll(const Board &board, Side side, Square square);
// Accepts an empty square or one holding a piece of the other side.
bool notOwnPiece(const Board &board, Side side, Square square);
// The board entry is null; stops rays and checks lines.
bool isEmptySquare(const Board &board, Square square);

class Koma {
public:
    Koma(PieceKind kind, Square square, Side side) : kind_(kind), square_(square), side_(side) {}
    virtual ~Koma() = default;
    Koma(const Koma &) = delete;
    Koma &operator=(const Koma &) = delete;

    // Whether a move between a and b touches the promotion zone; false once promoted.
    virtual bool canPromote(Square a, Square b) const;
    // Whether the piece's own pattern reaches `to` from `from`, ignoring every other piece.
    virtual bool patternAllows(Square from, Square to) const = 0;
    // The pattern, with the destination not own and every square before it on a line empty.
    virtual bool canMoveTo(const Board &board, Square from, Square to) const;
    // Whether the unpromoted piece still has a move from `square`.
    virtual bool canMoveOn(Square square) const;
    // The whole per-kind drop rule for `square`.
    virtual bool canDropOn(Square square, const Board &board) const;
    // True where the drawing marks promotion separately (silver, knight, lance).
    virtual bool hasPromotedMark() const;
    // Appends the squares the piece reaches from `from` that `filter` accepts, in pattern order.
    virtual void listTargets(SquareFilter filter, const Board &board, Side side, Square from,
                             SquareList &out) const = 0;
    // True for rook, bishop and lance, promoted or not: their reach depends on other pieces.
    virtual bool isRanging() const;
    // Appends the squares strictly between `target` and the piece, nearest the target first.
    virtual void squaresBetween(Square target, SquareList &out) const;
    // Whether the piece ranges along the line in direction (dy, dx), each -1..1, as it stands now.
    virtual bool rangesToward(int dy, int dx) const;

    // Sets the promoted flag when `flag` is true; false leaves it as it is.
    void promote(bool flag) {
        if (flag) promoted_ = true;
    }
    // The Shift-JIS name for the piece's code.
    const char *glyph() const;
    void clearAttacks() { attacks_.clear(); }
    // Appends the attacked squares from `from` to `out`; returns the size of `out`.
    int listAttacks(const Board &board, Side side, Square from, SquareList &out) const;
    // Recomputes `attacks` from the piece's own square, side and promotion on `board`.
    const Bitboard &updateAttacks(const Board &board);
    // The same with the board given as its occupied squares, as the game keeps them.
    const Bitboard &updateAttacks(const Bitboard &occupied);
    // For a ranging piece attacking `square`, whose occupancy has just changed to what `occupied`
    // says: toggles the squares beyond it on the piece's line through it, up to the next occupied
    // one, and returns them. Empty when the piece has no line through `square` (a step of a
    // promoted rook or bishop), so nothing beyond it changes.
    Bitboard shiftLineThrough(Square square, const Bitboard &occupied);
    // Whether the piece's own pattern reaches `to` from its square with every square before `to`
    // on its line empty in `occupied`: patternAllows plus the clear path, read from the reach
    // tables rather than walked, since every move made is checked so.
    bool reaches(Square to, const Bitboard &occupied) const;
    // Sets `attacks` to what they were on the same board, as a take-back finds it again.
    void restoreAttacks(const Bitboard &attacks) { attacks_ = attacks; }

    PieceKind kind() const { return kind_; }
    Square square() const { return square_; }
    Side side() const { return side_; }
    bool promoted() const { return promoted_; }
    PieceCode code() const { return static_cast<PieceCode>(kind_ + (promoted_ ? PROMOTED_OFFSET : 0)); }
    const Bitboard &attacks() const { return attacks_; }

    void setSquare(Square square) { square_ = square; }
    void setSide(Side side) { side_ = side; }
    void setPromoted(bool promoted) { promoted_ = promoted; }

    // The piece's place in its game's piece table, given when the game takes it over.
    std::uint8_t slot() const { return slot_; }
    void setSlot(std::uint8_t slot) { slot_ = slot; }

protected:
    // Row difference with forward counted negative for either side.
    int forwardRows(Square from, Square to) const;
    // The gold pattern, used by gold and by promoted silver, knight, lance and pawn.
    bool goldPattern(Square from, Square to) const;
    // goldStep of this piece's side.
    void goldStep(SquareFilter filter, const Board &board, Side side, Square from, SquareList &out) const;

private:
    PieceKind kind_;
    Square square_;
    Side side_;
    bool promoted_ = false;
    std::uint8_t slot_ = 0;
    Bitboard attacks_;
};

// Base of the pieces that range along lines.
class KomaTobi : public Koma {
public:
    using Koma::Koma;
    bool isRanging() const override;
    void squaresBetween(Square target, SquareList &out) const override;

protected:
    // True when every square strictly between `from` and `to` is empty.
    static bool lineIsClear(const Board &board, Square from, Square to);
};

class KomaOU : public Koma {
public:
    KomaOU(Square square, Side side) : Koma(KING, square, side) {}
    bool canPromote(Square a, Square b) const override;
    bool patternAllows(Square from, Square to) const override;
    void listTargets(SquareFilter filter, const Board &board, Side side, Square from, SquareList &out) const override;
};

// The rook and the bishop (大駒): each ranges along four lines, ranks and files or diagonals, and
// once promoted also steps one square along the other four. Only their lines differ.
class KomaOogoma : public KomaTobi {
public:
    bool rangesToward(int dy, int dx) const override;
    bool patternAllows(Square from, Square to) const override;
    bool canMoveTo(const Board &board, Square from, Square to) const override;
    void listTargets(SquareFilter filter, const Board &board, Side side, Square from, SquareList &out) const override;

protected:
    KomaOogoma(PieceKind kind, Square square, Side side, bool diagonal)
        : KomaTobi(kind, square, side), diagonal_(diagonal) {}

private:
    // Whether its lines are the diagonals (the bishop) rather than the ranks and files.
    bool diagonal_;
};

class KomaHI : public KomaOogoma {
public:
    KomaHI(Square square, Side side) : KomaOogoma(ROOK, square, side, false) {}
};

class KomaKA : public KomaOogoma {
public:
    KomaKA(Square square, Side side) : KomaOogoma(BISHOP, square, side, true) {}
};

class KomaKI : public Koma {
public:
    KomaKI(Square square, Side side) : Koma(GOLD, square, side) {}
    bool canPromote(Square a, Square b) const override;
    bool patternAllows(Square from, Square to) const override;
    void listTargets(SquareFilter filter, const Board &board, Side side, Square from, SquareList &out) const override;
};

class KomaGI : public Koma {
public:
    KomaGI(Square square, Side side) : Koma(SILVER, square, side) {}
    bool patternAllows(Square from, Square to) const override;
    bool hasPromotedMark() const override;
    void listTargets(SquareFilter filter, const Board &board, Side side, Square from, SquareList &out) const override;
};

class KomaKE : public Koma {
public:
    KomaKE(Square square, Side side) : Koma(KNIGHT, square, side) {}
    bool patternAllows(Square from, Square to) const override;
    bool canMoveOn(Square square) const override;
    bool canDropOn(Square square, const Board &board) const override;
    bool hasPromotedMark() const override;
    void listTargets(SquareFilter filter, const Board &board, Side side, Square from, SquareList &out) const override;
};

class KomaKY : public KomaTobi {
public:
    KomaKY(Square square, Side side) : KomaTobi(LANCE, square, side) {}
    bool rangesToward(int dy, int dx) const override;
    bool patternAllows(Square from, Square to) const override;
    bool canMoveTo(const Board &board, Square from, Square to) const override;
    bool canMoveOn(Square square) const override;
    bool canDropOn(Square square, const Board &board) const override;
    bool hasPromotedMark() const override;
    void listTargets(SquareFilter filter, const Board &board, Side side, Square from, SquareList &out) const override;
};

class KomaFU : public Koma {
public:
    KomaFU(Square square, Side side) : Koma(PAWN, square, side) {}
    bool patternAllows(Square from, Square to) const override;
    bool canMoveOn(Square square) const override;
    bool canDropOn(Square square, const Board &board) const override;
    void listTargets(SquareFilter filter, const Board &board, Side side, Square from, SquareList &out) const override;
};

// A new unpromoted piece of the class for `kind` (0..7); null for any other kind.
std::unique_ptr<Koma> makeKoma(PieceKind kind, Square square, Side side);
