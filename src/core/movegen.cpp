#include "core/movegen.h"

void generateMoves(const ZnBan &game, std::vector<Move> &out) {
    const Side side = game.turn();
    for (const Koma *piece : game.piecesOnBoard(side)) {
        // For a piece that may move there, the reachable non-own squares are the destinations.
        SquareList targets;
        piece->listTargets(notOwnPiece, game.board(), side, piece->square(), targets);
        for (Square to : targets) {
            switch (game.classifyMove(piece, to)) {
                case NoPromotion: out.push_back({piece->square(), to, false, PAWN}); break;
                case PromotionOptional:
                    out.push_back({piece->square(), to, false, PAWN});
                    out.push_back({piece->square(), to, true, PAWN});
                    break;
                case PromotionForced: out.push_back({piece->square(), to, true, PAWN}); break;
                case Illegal: break;
            }
        }
    }
    bool seen[KIND_COUNT] = {};
    for (const Koma *piece : game.hand(side)) {
        if (seen[piece->kind()]) continue;
        seen[piece->kind()] = true;
        for (int to = 0; to < SQUARE_COUNT; ++to)
            if (piece->canDropOn(static_cast<Square>(to), game.board()))
                out.push_back({IN_HAND, static_cast<Square>(to), false, piece->kind()});
    }
}

std::uint64_t keyAfter(const ZnBan &game, const Move &move) {
    const Side side = game.turn();
    std::uint64_t key = game.key() + (side == SENTE ? zobrist::goteToMove() : 0 - zobrist::goteToMove());
    if (move.from == IN_HAND) return key + zobrist::onBoard(side, move.dropKind, move.to) - zobrist::inHand(side, move.dropKind);
    const Koma *piece = game.pieceAt(move.from);
    if (piece == nullptr) return key;
    key -= zobrist::onBoard(side, piece->code(), move.from);
    if (const Koma *captured = game.pieceAt(move.to); captured != nullptr)
        key += zobrist::inHand(side, captured->kind()) - zobrist::onBoard(captured->side(), captured->code(), move.to);
    const bool promotes = move.promote && !piece->promoted();
    return key + zobrist::onBoard(side, static_cast<PieceCode>(piece->code() + (promotes ? PROMOTED_OFFSET : 0)), move.to);
}
