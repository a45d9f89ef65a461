#include "common/testing.h"

void setUpPosition(ZnBan &game, const std::vector<Placement> &pieces, Side turn) {
    game.clearPieces();
    game.resetBoard();
    KomaFukuro set;
    for (const Placement &p : pieces) game.placePieces(set.takePiece(p.code, p.square, p.side));
    game.addAllAttacks();
    game.setTurn(turn);
}

std::uint64_t perft(ZnBan &game, int depth) {
    if (depth == 0) return 1;
    std::vector<Move> moves;
    generateMoves(game, moves);
    if (depth == 1) return moves.size();
    std::uint64_t total = 0;
    for (const Move &move : moves) {
        if (!applyMove(game, move)) continue;
        total += perft(game, depth - 1);
        game.undoMove();
    }
    return total;
}

std::string positionKey(const ZnBan &game) {
    std::string key;
    for (int square = 0; square < SQUARE_COUNT; ++square) {
        const Koma *piece = game.pieceAt(static_cast<Square>(square));
        key += piece ? static_cast<char>('A' + piece->code() + 16 * piece->side()) : '.';
    }
    for (Side side : {SENTE, GOTE}) {
        std::string hand;
        for (const Koma *piece : game.hand(side)) hand += static_cast<char>('0' + piece->kind());
        std::sort(hand.begin(), hand.end());
        key += '|' + hand;
    }
    key += '|' + std::to_string(game.turn()) + '|' + std::to_string(game.moveCount());
    return key;
}

bool playRandomMove(ZnBan &game, std::mt19937 &random) {
    std::vector<Move> moves;
    generateMoves(game, moves);
    if (moves.empty()) return false;
    std::uniform_int_distribution<std::size_t> pick(0, moves.size() - 1);
    return applyMove(game, moves[pick(random)]);
}

std::vector<int> attackCounts(const ZnBan &game) {
    std::vector<int> counts;
    for (Side side : {SENTE, GOTE})
        for (int square = 0; square < SQUARE_COUNT; ++square)
            counts.push_back(game.attackCount(side, static_cast<Square>(square)));
    return counts;
}
