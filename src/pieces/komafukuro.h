#pragma once
// The bag of pieces: builds the 40 pieces of the starting position and hands them over to a game,
// all at once for a new game or one at a time, re-targeted, for a position read from a record.

#include <memory>
#include <vector>

#include "pieces/koma.h"

using PieceList = std::vector<std::unique_ptr<Koma>>;

class KomaFukuro {
public:
    KomaFukuro();
    virtual ~KomaFukuro() = default;

    // Destroys every piece still held.
    void clearSet();
    // Builds the starting set, sente's 20 pieces then gote's, in the order of the starting position.
    void buildStartingSet();
    // Moves every piece still in the pool, in order, to `taken`.
    PieceList &handOver();
    // Moves the first pooled piece of the code's kind to `taken`, placed on `square` for `side` and
    // promoted for a promoted code; changes nothing when that kind is used up or the code is unknown.
    PieceList &takePiece(PieceCode code, Square square, Side side);

    const PieceList &pool() const { return pool_; }
    PieceList &taken() { return taken_; }

private:
    void addKings(Side side);
    void addGolds(Side side);
    void addSilvers(Side side);
    void addKnights(Side side);
    void addLances(Side side);
    void addRooks(Side side);
    void addBishops(Side side);
    void addPawns(Side side);
    void add(PieceKind kind, Side side, int row, int column);

    PieceList pool_;
    PieceList taken_;
};

// The kind of a piece code: the code itself for 0..7, the code minus 8 for 8..15.
constexpr PieceKind baseKindOf(PieceCode code) { return static_cast<PieceKind>(code & 7); }
// Whether a piece code names a promoted piece.
constexpr bool isPromotedCode(PieceCode code) { return code >= PROMOTED_OFFSET; }
