#include "core/verify.h"

#include <set>

namespace {

std::string where(const char *what, int side, int square) {
    return std::string(what) + " (side " + std::to_string(side) + ", square " + std::to_string(square) + ")";
}

}  // namespace

std::array<AttackMap, 2> computeAttackMaps(const ZnBan &game) {
    std::array<AttackMap, 2> maps{AttackMap(SQUARE_COUNT), AttackMap(SQUARE_COUNT)};
    for (Side side : {SENTE, GOTE}) {
        for (const Koma *piece : game.piecesOnBoard(side)) {
            SquareList squares;
            piece->listAttacks(game.board(), side, piece->square(), squares);
            for (Square square : squares) maps[side].at(square).insertSlot(piece->slot());
        }
    }
    return maps;
}

std::string findInconsistency(const ZnBan &game) {
    std::set<const Koma *> listed;
    for (Side side : {SENTE, GOTE}) {
        for (const Koma *piece : game.piecesOnBoard(side)) {
            if (!listed.insert(piece).second) return where("piece listed twice", side, piece->square());
            if (piece->side() != side) return where("board piece of the wrong side", side, piece->square());
            if (piece->square() >= SQUARE_COUNT)
                return where("board piece off the board", side, piece->square());
            if (game.board()[piece->square()] != piece)
                return where("board entry disagrees", side, piece->square());
            SquareList expected;
            piece->listAttacks(game.board(), side, piece->square(), expected);
            Bitboard expectedSet;
            for (Square square : expected) expectedSet.set(square);
            if (expectedSet.size() != expected.size() || !(expectedSet == piece->attacks()))
                return where("stale attack list", side, piece->square());
        }
        for (const Koma *piece : game.hand(side)) {
            if (!listed.insert(piece).second) return where("piece listed twice", side, IN_HAND);
            if (piece->side() != side) return where("hand piece of the wrong side", side, IN_HAND);
            if (piece->square() != IN_HAND) return where("hand piece on a square", side, piece->square());
            if (piece->promoted()) return where("promoted piece in hand", side, IN_HAND);
            if (!piece->attacks().empty()) return where("hand piece with attacks", side, IN_HAND);
        }
    }
    if (listed.size() != game.allPieces().size()) return "a piece is in no list";
    for (int square = 0; square < SQUARE_COUNT; ++square) {
        const Koma *piece = game.board()[static_cast<std::size_t>(square)];
        if (piece && !listed.count(piece)) return where("board entry of an unlisted piece", 0, square);
        if (piece && piece->square() != square) return where("board entry on the wrong square", 0, square);
    }
    if (game.moveCount() != static_cast<int>(game.history().size()) && !game.replaying())
        return "move count differs from the history";
    if (game.turn() > GOTE) return "no side to move";
    auto fresh = computeAttackMaps(game);
    for (Side side : {SENTE, GOTE})
        for (int square = 0; square < SQUARE_COUNT; ++square)
            if (!(fresh[side][static_cast<std::size_t>(square)] ==
                  game.attackMap(side)[static_cast<std::size_t>(square)]))
                return where("attack map differs from a recomputation", side, square);
    return {};
}
