#include <gtest/gtest.h>

#include <vector>

#include "support/glyphs.h"
#include "pieces/koma.h"

namespace {

// An empty 81-square board with optional pieces; owns them.
struct TestBoard {
    Board board = Board(SQUARE_COUNT, nullptr);
    std::vector<std::unique_ptr<Koma>> pieces;

    Koma *put(PieceKind kind, int square, Side side, bool promoted = false) {
        pieces.push_back(makeKoma(kind, static_cast<Square>(square), side));
        Koma *piece = pieces.back().get();
        piece->promote(promoted);
        board.at(square) = piece;
        return piece;
    }
};

std::vector<int> targets(const Koma &piece, const Board &board, SquareFilter filter = acceptAll) {
    SquareList out;
    piece.listTargets(filter, board, piece.side(), piece.square(), out);
    return {out.begin(), out.end()};
}

std::vector<int> between(const Koma &piece, int target) {
    SquareList out;
    piece.squaresBetween(static_cast<Square>(target), out);
    return {out.begin(), out.end()};
}

}  // namespace

TEST(KomaTargets, StartingRookStopsAtTheFirstPieceOnEachRay) {
    TestBoard t;
    Koma *rook = t.put(ROOK, 64, SENTE);
    t.put(BISHOP, 70, SENTE);
    t.put(PAWN, 55, SENTE);
    t.put(KNIGHT, 73, SENTE);
    EXPECT_EQ(targets(*rook, t.board), (std::vector<int>{63, 65, 66, 67, 68, 69, 70, 55, 73}));
    EXPECT_EQ(rook->updateAttacks(t.board).size(), 9);
    // Own pieces are not destinations.
    EXPECT_EQ(targets(*rook, t.board, notOwnPiece), (std::vector<int>{63, 65, 66, 67, 68, 69}));
}

TEST(KomaTargets, DragonInTheCornerListsItsDiagonalFirst) {
    TestBoard t;
    Koma *dragon = t.put(ROOK, 0, SENTE, true);
    std::vector<int> expected{10, 1, 2, 3, 4, 5, 6, 7, 8, 9, 18, 27, 36, 45, 54, 63, 72};
    EXPECT_EQ(targets(*dragon, t.board), expected);
}

TEST(KomaTargets, StepPiecesPerSideAndPromotion) {
    TestBoard t;
    struct Case {
        PieceKind kind;
        Side side;
        bool promoted;
        std::vector<int> expected;
    };
    // Square 40 is (4, 4), the centre.
    const std::vector<Case> cases = {
        {KING, SENTE, false, {39, 41, 31, 49, 30, 32, 50, 48}},
        {GOLD, SENTE, false, {39, 41, 31, 49, 30, 32}},
        {GOLD, GOTE, false, {39, 41, 31, 49, 50, 48}},
        {SILVER, SENTE, false, {30, 32, 50, 48, 31}},
        {SILVER, GOTE, false, {30, 32, 50, 48, 49}},
        {KNIGHT, SENTE, false, {21, 23}},
        {KNIGHT, GOTE, false, {57, 59}},
        {PAWN, SENTE, false, {31}},
        {PAWN, GOTE, false, {49}},
        {LANCE, SENTE, false, {31, 22, 13, 4}},
        {LANCE, GOTE, false, {49, 58, 67, 76}},
        {SILVER, SENTE, true, {39, 41, 31, 49, 30, 32}},
        {KNIGHT, GOTE, true, {39, 41, 31, 49, 50, 48}},
        {LANCE, SENTE, true, {39, 41, 31, 49, 30, 32}},
        {PAWN, SENTE, true, {39, 41, 31, 49, 30, 32}},
        {BISHOP, SENTE, true, {39, 41, 31, 49, 30, 20, 10, 0, 50, 60, 70, 80, 32, 24, 16, 8, 48, 56, 64, 72}},
    };
    for (const Case &c : cases) {
        TestBoard board;
        Koma *piece = board.put(c.kind, 40, c.side, c.promoted);
        EXPECT_EQ(targets(*piece, board.board), c.expected) << int(c.kind) << " side " << int(c.side);
    }
}

TEST(KomaTargets, KnightOnAnEdgeFileDoesNotWrap) {
    TestBoard t;
    Koma *knight = t.put(KNIGHT, 36, SENTE);  // (4, 0)
    EXPECT_TRUE(knight->patternAllows(36, 19));
    EXPECT_FALSE(knight->patternAllows(36, 17));
    EXPECT_EQ(targets(*knight, t.board), (std::vector<int>{19}));
    Koma *other = t.put(KNIGHT, 44, SENTE);  // (4, 8)
    EXPECT_EQ(targets(*other, t.board), (std::vector<int>{25}));
}

TEST(KomaTargets, RayMeetingAnOwnPieceFirstListsOnlyThatSquare) {
    TestBoard t;
    Koma *lance = t.put(LANCE, 72, SENTE);
    t.put(PAWN, 63, SENTE);
    EXPECT_EQ(targets(*lance, t.board), (std::vector<int>{63}));
}

TEST(KomaPatterns, PatternsPerKind) {
    TestBoard t;
    Koma *rook = t.put(ROOK, 40, SENTE);
    EXPECT_TRUE(rook->patternAllows(40, 4));
    EXPECT_TRUE(rook->patternAllows(40, 36));
    EXPECT_FALSE(rook->patternAllows(40, 30));
    EXPECT_FALSE(rook->patternAllows(40, 40));
    rook->promote(true);
    EXPECT_TRUE(rook->patternAllows(40, 30));
    Koma *silver = t.put(SILVER, 30, GOTE);
    EXPECT_TRUE(silver->patternAllows(30, 39));   // forward for gote
    EXPECT_TRUE(silver->patternAllows(30, 20));   // diagonally back
    EXPECT_FALSE(silver->patternAllows(30, 21));  // straight back
    EXPECT_FALSE(silver->patternAllows(30, 31));  // sideways
    Koma *lance = t.put(LANCE, 80, SENTE);
    EXPECT_TRUE(lance->patternAllows(80, 8));
    EXPECT_FALSE(lance->patternAllows(80, 79));
    Koma *pawn = t.put(PAWN, 60, SENTE);
    EXPECT_TRUE(pawn->patternAllows(60, 51));
    EXPECT_FALSE(pawn->patternAllows(60, 69));
    EXPECT_FALSE(pawn->patternAllows(60, 81));
}

TEST(KomaPatterns, CanMoveToWalksTheLine) {
    TestBoard t;
    Koma *rook = t.put(ROOK, 76, SENTE);
    t.put(PAWN, 40, GOTE);
    EXPECT_TRUE(rook->canMoveTo(t.board, 76, 40));   // capture at the end of the line
    EXPECT_FALSE(rook->canMoveTo(t.board, 76, 31));  // beyond the pawn
    t.put(GOLD, 75, SENTE);
    EXPECT_FALSE(rook->canMoveTo(t.board, 76, 75));  // own piece
    Koma *horse = t.put(BISHOP, 10, SENTE, true);
    EXPECT_TRUE(horse->canMoveTo(t.board, 10, 11));
    Koma *lance = t.put(LANCE, 44, SENTE, true);
    EXPECT_FALSE(lance->canMoveTo(t.board, 44, 26));  // a promoted lance moves like a gold
    EXPECT_TRUE(lance->canMoveTo(t.board, 44, 35));
}

// classifyMove reads reaches() from the reach tables: it must agree with the walked canMoveTo
// everywhere, the blockers being the other side's so that the own-piece test never decides.
TEST(KomaPatterns, ReachesAgreesWithCanMoveTo) {
    for (Side side : {SENTE, GOTE}) {
        TestBoard t;
        Bitboard occupied;
        for (int square : {4, 12, 22, 30, 31, 40, 49, 51, 58, 66, 70, 78})
            occupied.set(t.put(PAWN, square, otherSide(side))->square());
        for (PieceCode code = 0; code < CODE_COUNT; ++code)
            for (Square from = 0; from < SQUARE_COUNT; ++from) {
                auto piece = makeKoma(static_cast<PieceKind>(code & 7), from, side);
                piece->promote(code >= PROMOTED_OFFSET);
                for (Square to = 0; to <= SQUARE_COUNT; ++to)
                    ASSERT_EQ(piece->reaches(to, occupied), piece->canMoveTo(t.board, from, to))
                        << int(code) << ' ' << int(side) << ": " << int(from) << "->" << int(to);
            }
    }
}

TEST(KomaPromotion, ZoneTestUsesOriginAndDestination) {
    TestBoard t;
    Koma *silver = t.put(SILVER, 30, SENTE);
    EXPECT_TRUE(silver->canPromote(30, 21));
    EXPECT_TRUE(silver->canPromote(21, 30));
    EXPECT_FALSE(silver->canPromote(30, 39));
    Koma *goteSilver = t.put(SILVER, 50, GOTE);
    EXPECT_TRUE(goteSilver->canPromote(50, 59));
    EXPECT_FALSE(goteSilver->canPromote(50, 41));
    EXPECT_FALSE(t.put(GOLD, 20, SENTE)->canPromote(20, 11));
    EXPECT_FALSE(t.put(KING, 22, SENTE)->canPromote(22, 13));
    silver->promote(true);
    EXPECT_FALSE(silver->canPromote(30, 21));
    silver->promote(false);  // false never demotes
    EXPECT_TRUE(silver->promoted());
}

// A knight on an edge file still has its inward jump: only the last two rows leave it stuck.
TEST(KomaDrops, KnightIsRefusedOnlyOnItsLastTwoRows) {
    TestBoard t;
    auto sente = makeKoma(KNIGHT, IN_HAND, SENTE);
    auto gote = makeKoma(KNIGHT, IN_HAND, GOTE);
    for (int square = 0; square < SQUARE_COUNT; ++square) {
        const int row = rowOf(square);
        EXPECT_EQ(sente->canDropOn(static_cast<Square>(square), t.board), row >= 2) << square;
        EXPECT_EQ(gote->canDropOn(static_cast<Square>(square), t.board), row <= 6) << square;
        EXPECT_EQ(sente->canMoveOn(static_cast<Square>(square)), row >= 2) << square;
    }
}

TEST(KomaDrops, PawnAndLanceRules) {
    TestBoard t;
    auto pawn = makeKoma(PAWN, IN_HAND, SENTE);
    auto lance = makeKoma(LANCE, IN_HAND, GOTE);
    EXPECT_FALSE(pawn->canDropOn(4, t.board));  // last row
    EXPECT_TRUE(pawn->canDropOn(13, t.board));
    EXPECT_FALSE(lance->canDropOn(76, t.board));
    EXPECT_TRUE(lance->canDropOn(67, t.board));
    t.put(PAWN, 58, SENTE, true);  // a promoted pawn in column 4 does not count
    t.put(PAWN, 22, GOTE);         // nor does an enemy pawn
    EXPECT_TRUE(pawn->canDropOn(40, t.board));
    t.put(PAWN, 67, SENTE);
    EXPECT_FALSE(pawn->canDropOn(40, t.board));
    EXPECT_FALSE(pawn->canDropOn(67, t.board));  // occupied
    auto gold = makeKoma(GOLD, IN_HAND, SENTE);
    EXPECT_TRUE(gold->canDropOn(0, t.board));
    EXPECT_FALSE(gold->canDropOn(67, t.board));
}

TEST(KomaLines, SquaresBetweenNearestTheTargetFirst) {
    TestBoard t;
    Koma *rook = t.put(ROOK, 76, SENTE);
    EXPECT_EQ(between(*rook, 4), (std::vector<int>{13, 22, 31, 40, 49, 58, 67}));
    EXPECT_EQ(between(*rook, 67), (std::vector<int>{}));
    Koma *bishop = t.put(BISHOP, 80, SENTE);
    EXPECT_EQ(between(*bishop, 40), (std::vector<int>{50, 60, 70}));
    Koma *gold = t.put(GOLD, 0, SENTE);
    EXPECT_EQ(between(*gold, 8), (std::vector<int>{}));
}

TEST(KomaNames, GlyphsMarksAndRanging) {
    struct Case {
        PieceKind kind;
        bool promoted;
        const char *glyph;
        bool mark;
        bool ranging;
    };
    const std::vector<Case> cases = {
        {KING, false, "\x8B\xCA", false, false},  {ROOK, true, "\x97\xB4", false, true},
        {BISHOP, true, "\x94\x6E", false, true},  {GOLD, false, "\x8B\xE0", false, false},
        {SILVER, true, "\x8B\xE2", true, false},  {KNIGHT, true, "\x8C\x6A", true, false},
        {LANCE, true, "\x8D\x81", true, true},    {PAWN, true, "\x82\xC6", false, false},
        {PAWN, false, "\x95\xE0", false, false},  {LANCE, false, "\x8D\x81", false, true},
    };
    for (const Case &c : cases) {
        auto piece = makeKoma(c.kind, 40, SENTE);
        piece->promote(c.promoted);
        EXPECT_STREQ(piece->glyph(), c.glyph) << int(c.kind);
        EXPECT_EQ(piece->hasPromotedMark(), c.mark) << int(c.kind);
        EXPECT_EQ(piece->isRanging(), c.ranging) << int(c.kind);
    }
    EXPECT_EQ(makeKoma(8, 0, SENTE), nullptr);
}
