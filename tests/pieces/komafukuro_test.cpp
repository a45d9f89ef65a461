#include <gtest/gtest.h>

#include <vector>

#include "pieces/komafukuro.h"

TEST(KomaFukuro, BuildsTheStartingSetInOrder) {
    KomaFukuro set;
    ASSERT_EQ(set.pool().size(), 40u);
    const std::vector<int> senteSquares{76, 75, 77, 74, 78, 73, 79, 72, 80, 64, 70,
                                        54, 55, 56, 57, 58, 59, 60, 61, 62};
    const std::vector<int> goteSquares{4, 3, 5, 2, 6, 1, 7, 0, 8, 16, 10, 18, 19, 20, 21, 22, 23, 24, 25, 26};
    const std::vector<int> kinds{0, 3, 3, 4, 4, 5, 5, 6, 6, 1, 2, 7, 7, 7, 7, 7, 7, 7, 7, 7};
    for (int i = 0; i < 20; ++i) {
        const Koma &sente = *set.pool()[static_cast<std::size_t>(i)];
        const Koma &gote = *set.pool()[static_cast<std::size_t>(i + 20)];
        EXPECT_EQ(sente.square(), senteSquares[static_cast<std::size_t>(i)]) << i;
        EXPECT_EQ(gote.square(), goteSquares[static_cast<std::size_t>(i)]) << i;
        EXPECT_EQ(sente.kind(), kinds[static_cast<std::size_t>(i)]) << i;
        EXPECT_EQ(gote.kind(), kinds[static_cast<std::size_t>(i)]) << i;
        EXPECT_EQ(sente.side(), SENTE);
        EXPECT_EQ(gote.side(), GOTE);
        EXPECT_FALSE(sente.promoted());
    }
    EXPECT_TRUE(set.handOver().size() == 40 && set.pool().empty());
}

TEST(KomaFukuro, TakePieceRetargetsTheFirstPieceOfTheKind) {
    KomaFukuro set;
    PieceList &taken = set.takePiece(9, 40, SENTE);
    ASSERT_EQ(taken.size(), 1u);
    EXPECT_EQ(taken[0]->kind(), ROOK);
    EXPECT_EQ(taken[0]->square(), 40);
    EXPECT_TRUE(taken[0]->promoted());
    EXPECT_EQ(set.pool().size(), 39u);

    set.takePiece(15, 22, GOTE);  // the pawn built for square 54 comes first
    EXPECT_EQ(taken[1]->kind(), PAWN);
    EXPECT_EQ(taken[1]->side(), GOTE);
    EXPECT_TRUE(taken[1]->promoted());
    EXPECT_EQ(set.pool()[10]->square(), 55);  // the next pawn in the pool is the one built for 55

    set.takePiece(3, 50, GOTE);
    set.takePiece(3, 51, GOTE);
    EXPECT_EQ(taken[2]->kind(), GOLD);
    EXPECT_EQ(taken[3]->kind(), GOLD);
    EXPECT_EQ(taken[3]->side(), GOTE);
    // Two golds remain, both built for gote: the next request gets the one built for square 3.
    EXPECT_EQ(set.takePiece(3, 52, SENTE).size(), 5u);
}

TEST(KomaFukuro, ExhaustedKindsAndUnknownCodesChangeNothing) {
    KomaFukuro set;
    set.takePiece(1, 40, SENTE);
    set.takePiece(9, 41, GOTE);
    EXPECT_EQ(set.takePiece(1, 42, SENTE).size(), 2u);
    EXPECT_EQ(set.takePiece(9, 42, SENTE).size(), 2u);
    EXPECT_EQ(set.takePiece(16, 42, SENTE).size(), 2u);
    EXPECT_EQ(set.takePiece(255, 42, SENTE).size(), 2u);
    EXPECT_EQ(set.pool().size(), 38u);
    for (int i = 0; i < 18; ++i) set.takePiece(PAWN, static_cast<Square>(i), SENTE);
    EXPECT_EQ(set.takePiece(PAWN, 30, SENTE).size(), 20u);
}
