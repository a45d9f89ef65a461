// The square list keeps every square it is given, however many pieces append to it.

#include "pieces/squarelist.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "pieces/koma.h"

namespace {

std::vector<int> itemsOf(const SquareList &list) { return {list.begin(), list.end()}; }

std::vector<int> counting(int from, int count) {
    std::vector<int> squares;
    for (int i = 0; i < count; ++i) squares.push_back((from + i) % 256);
    return squares;
}

SquareList listOf(const std::vector<int> &squares) {
    SquareList list;
    for (int square : squares) list.push_back(static_cast<Square>(square));
    return list;
}

TEST(SquareList, KeepsEverySquarePastTheInlineRoom) {
    for (int count : {0, 1, 19, 20, 21, 40, 81, 300}) {
        const std::vector<int> squares = counting(3, count);
        const SquareList list = listOf(squares);
        ASSERT_EQ(list.size(), count);
        EXPECT_EQ(itemsOf(list), squares) << count;
        if (count > 0) {
            EXPECT_EQ(list[count - 1], squares.back());
            EXPECT_TRUE(list.contains(static_cast<Square>(squares.back())));
        }
    }
}

// The case that lost squares: two ranging pieces' attacks appended to one list.
TEST(SquareList, HoldsTheAttacksOfTwoPiecesAppendedToOneList) {
    Board board(SQUARE_COUNT, nullptr);
    const auto dragon = makeKoma(ROOK, 40, SENTE);
    const auto horse = makeKoma(BISHOP, 40, GOTE);
    dragon->promote(true);
    horse->promote(true);
    SquareList alone, both;
    dragon->listAttacks(board, SENTE, 40, alone);
    const std::vector<int> dragonSquares = itemsOf(alone);
    alone.clear();
    horse->listAttacks(board, GOTE, 40, alone);
    const std::vector<int> horseSquares = itemsOf(alone);
    ASSERT_EQ(dragonSquares.size(), 20u);
    ASSERT_EQ(horseSquares.size(), 20u);

    dragon->listAttacks(board, SENTE, 40, both);
    horse->listAttacks(board, GOTE, 40, both);
    std::vector<int> expected = dragonSquares;
    expected.insert(expected.end(), horseSquares.begin(), horseSquares.end());
    EXPECT_EQ(itemsOf(both), expected);

    // Cleared, the list starts again from nothing.
    both.clear();
    EXPECT_TRUE(both.empty());
    both.push_back(7);
    EXPECT_EQ(itemsOf(both), std::vector<int>{7});
}

TEST(SquareList, ReplaceKeepsTheRestInOrderAtAnySize) {
    const struct {
        int size, first, count, replacementSize;
    } rows[] = {{10, 2, 3, 4}, {18, 0, 0, 5}, {20, 19, 1, 20}, {30, 5, 10, 2}, {25, 25, 0, 1}, {5, 0, 5, 0}};
    for (const auto &row : rows) {
        SCOPED_TRACE(row.size * 1000 + row.first);
        std::vector<int> squares = counting(0, row.size);
        const std::vector<int> replacement = counting(100, row.replacementSize);
        SquareList list = listOf(squares);
        list.replace(row.first, row.count, listOf(replacement));
        squares.erase(squares.begin() + row.first, squares.begin() + row.first + row.count);
        squares.insert(squares.begin() + row.first, replacement.begin(), replacement.end());
        EXPECT_EQ(itemsOf(list), squares);
    }
    // A list given itself as the replacement, and a range that is not in the list.
    SquareList self = listOf(counting(0, 15));
    self.replace(1, 2, self);
    std::vector<int> expected = counting(0, 1);
    for (int square : counting(0, 15)) expected.push_back(square);
    for (int square : counting(3, 12)) expected.push_back(square);
    EXPECT_EQ(itemsOf(self), expected);
    SquareList unchanged = listOf(counting(0, 5));
    unchanged.replace(3, 3, listOf({1}));
    unchanged.replace(-1, 1, listOf({1}));
    EXPECT_EQ(itemsOf(unchanged), counting(0, 5));
}

}  // namespace
