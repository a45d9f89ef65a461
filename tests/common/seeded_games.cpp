#include "common/seeded_games.h"

#include <random>
#include <vector>

#include "core/movegen.h"
#include "record/play.h"

namespace {

// Plays one random move that takes no king; false when there is none.
bool playQuietOfKings(ZnBan &game, std::mt19937 &random, std::vector<Move> &moves) {
    moves.clear();
    generateMoves(game, moves);
    std::erase_if(moves, [&game](const Move &move) {
        const Koma *target = game.pieceAt(move.to);
        return target != nullptr && target->kind() == KING;
    });
    if (moves.empty()) return false;
    return applyMove(game, moves[random() % moves.size()]);
}

}  // namespace

PositionSpec seededStart(unsigned seed) {
    switch (seed % 3) {
        case 0: return standardStart();
        case 1: {
            const auto &names = handicapNames();
            PositionSpec start;
            handicapStart(names[1 + seed / 3 % (names.size() - 1)], start);
            return start;
        }
        default: break;
    }
    // Random play until both hands hold something, then gote to move.
    std::mt19937 random(seed * 2654435761u);
    std::vector<Move> moves;
    ZnBan game;
    for (int ply = 0; ply < 400; ++ply) {
        if (!playQuietOfKings(game, random, moves)) break;
        if (ply >= 20 && !game.hand(SENTE).empty() && !game.hand(GOTE).empty()) break;
    }
    PositionSpec start = positionOf(game);
    start.turn = GOTE;
    return start;
}

void playSeededGame(ZnBan &game, unsigned seed, int plies) {
    ZnBan fresh;
    buildGame(fresh, seededStart(seed));
    std::mt19937 random(seed);
    std::vector<Move> moves;
    for (int ply = 0; ply < plies; ++ply)
        if (!playQuietOfKings(fresh, random, moves)) break;
    game.swap(fresh);
}

RecordTree staircaseTree(unsigned seed, int levels) {
    RecordTree tree;
    ZnBan game;
    std::mt19937 random(seed);
    std::vector<Move> moves;
    int at = RecordTree::START;
    for (int level = 0; level <= levels; ++level) {
        moves.clear();
        generateMoves(game, moves);
        std::erase_if(moves, [&game](const Move &move) {
            return game.pieceAt(move.to) != nullptr && game.pieceAt(move.to)->kind() == KING;
        });
        if (moves.size() < 2) break;
        const std::size_t chain = random() % moves.size();
        const std::size_t leaf = (chain + 1 + random() % (moves.size() - 1)) % moves.size();
        if (level > 0) tree.addChild(at, moves[leaf]);
        if (level == levels) break;
        at = tree.addChild(at, moves[chain]);
        if (!playMove(game, moves[chain]).empty()) break;
    }
    return tree;
}
