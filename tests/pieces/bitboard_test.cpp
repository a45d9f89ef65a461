#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "pieces/bitboard.h"
#include "pieces/koma.h"

namespace {

std::vector<int> squaresOf(const Bitboard &board) { return {board.begin(), board.end()}; }

}  // namespace

TEST(Bitboard, SquaresOnBothSidesOfTheWordBoundary) {
    Bitboard board;
    for (int square : {80, 0, 64, 63, 40}) board.set(square);
    EXPECT_EQ(squaresOf(board), (std::vector<int>{0, 40, 63, 64, 80}));
    EXPECT_EQ(board.size(), 5);
    EXPECT_EQ(board.lowest(), 0);
    EXPECT_EQ(board.highest(), 80);
    board.reset(0);
    board.reset(80);
    EXPECT_EQ(board.lowest(), 40);
    EXPECT_EQ(board.highest(), 64);
    board.reset(64);
    EXPECT_EQ(board.highest(), 63);
    board.reset(40);
    board.reset(63);
    EXPECT_TRUE(board.empty());
}

TEST(Bitboard, SquaresOffTheBoardAreNeverHeld) {
    Bitboard board;
    for (int square : {-1, 81, 127, 128, 255}) board.set(square);
    EXPECT_TRUE(board.empty());
    EXPECT_FALSE(board.contains(81));
    EXPECT_FALSE(board.contains(-5));
    // The complement of nothing is the whole board and no more.
    const Bitboard all = ~Bitboard();
    EXPECT_EQ(all.size(), SQUARE_COUNT);
    EXPECT_EQ(all.highest(), 80);
    EXPECT_EQ(Bitboard(0, ~std::uint64_t{0}).size(), SQUARE_COUNT - 64);
}

TEST(Bitboard, DifferenceNamesExactlyTheChangedSquares) {
    Bitboard before, after;
    for (int square : {3, 12, 70}) before.set(square);
    for (int square : {12, 70, 71, 5}) after.set(square);
    const Bitboard changed = before ^ after;
    EXPECT_EQ(squaresOf(changed & before), (std::vector<int>{3}));
    EXPECT_EQ(squaresOf(changed & after), (std::vector<int>{5, 71}));
}

// The reach kept for the game must be the pieces' own pattern walk on any board: every kind,
// promoted or not, both sides, every square, among pieces scattered at random.
TEST(KomaReach, AgreesWithThePatternWalkOnRandomBoards) {
    std::mt19937 random(2024);
    Board board(SQUARE_COUNT, nullptr);
    std::vector<std::unique_ptr<Koma>> blockers;
    int compared = 0;
    for (int round = 0; round < 40; ++round) {
        board.assign(SQUARE_COUNT, nullptr);
        blockers.clear();
        const int density = 5 + round * 2;  // from a nearly empty board to a crowded one
        for (int square = 0; square < SQUARE_COUNT; ++square)
            if (static_cast<int>(random() % 100) < density) {
                blockers.push_back(makeKoma(PAWN, static_cast<Square>(square), static_cast<Side>(random() % 2)));
                board.at(square) = blockers.back().get();
            }
        for (int code = 0; code < CODE_COUNT; ++code)
            for (Side side : {SENTE, GOTE})
                for (int square = 0; square < SQUARE_COUNT; ++square) {
                    auto piece = makeKoma(static_cast<PieceKind>(code & 7), static_cast<Square>(square), side);
                    piece->promote(code >= PROMOTED_OFFSET);
                    SquareList walked;
                    piece->listAttacks(board, side, static_cast<Square>(square), walked);
                    Bitboard expected;
                    for (Square target : walked) expected.set(target);
                    ASSERT_EQ(squaresOf(piece->updateAttacks(board)), squaresOf(expected))
                        << "code " << code << " side " << int(side) << " square " << square << " round " << round;
                    ++compared;
                }
    }
    EXPECT_EQ(compared, 40 * CODE_COUNT * 2 * SQUARE_COUNT);
}

TEST(KomaReach, APieceInHandAttacksNothing) {
    auto rook = makeKoma(ROOK, IN_HAND, SENTE);
    EXPECT_TRUE(rook->updateAttacks(Board(SQUARE_COUNT, nullptr)).empty());
    EXPECT_TRUE(rook->updateAttacks(~Bitboard()).empty());
}
