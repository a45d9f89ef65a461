#include <gtest/gtest.h>

#include "common/testing.h"

namespace {

struct ClassifyCase {
    const char *name;
    std::vector<Placement> position;
    Side turn;
    int from, to;
    MoveClass expected;
};

}  // namespace

TEST(ClassifyMove, Table) {
    const std::vector<ClassifyCase> cases = {
        {"piece of the side not to move", {{PAWN, 60, SENTE}}, GOTE, 60, 51, Illegal},
        {"empty origin", {{PAWN, 60, SENTE}}, SENTE, 61, 52, Illegal},
        {"rook blocked by own piece", {{ROOK, 76, SENTE}, {PAWN, 40, SENTE}}, SENTE, 76, 31, Illegal},
        {"rook blocked by enemy piece", {{ROOK, 76, SENTE}, {PAWN, 49, GOTE}}, SENTE, 76, 40, Illegal},
        {"rook captures the first piece", {{ROOK, 76, SENTE}, {PAWN, 49, GOTE}}, SENTE, 76, 49, NoPromotion},
        {"capture of an own piece", {{ROOK, 76, SENTE}, {GOLD, 67, SENTE}}, SENTE, 76, 67, Illegal},
        {"knight jumps over pieces", {{KNIGHT, 73, SENTE}, {PAWN, 64, SENTE}, {PAWN, 63, GOTE}}, SENTE, 73, 54,
         NoPromotion},
        {"bishop one step diagonally", {{BISHOP, 70, SENTE}}, SENTE, 70, 60, NoPromotion},
        {"pawn into the zone", {{PAWN, 31, SENTE}}, SENTE, 31, 22, PromotionOptional},
        {"pawn onto the last row", {{PAWN, 13, SENTE}}, SENTE, 13, 4, PromotionForced},
        {"lance onto the last row", {{LANCE, 72, SENTE}}, SENTE, 72, 0, PromotionForced},
        {"silver onto the last row may stay", {{SILVER, 13, SENTE}}, SENTE, 13, 4, PromotionOptional},
        {"silver leaving the zone", {{SILVER, 22, SENTE}}, SENTE, 22, 32, PromotionOptional},
        {"silver outside the zone", {{SILVER, 40, SENTE}}, SENTE, 40, 31, NoPromotion},
        {"promoted rook inside the zone", {{9, 10, SENTE}}, SENTE, 10, 11, NoPromotion},
        {"dragon's diagonal step", {{9, 40, SENTE}}, SENTE, 40, 30, NoPromotion},
        {"promoted lance no longer ranges", {{14, 58, SENTE}}, SENTE, 58, 40, Illegal},
        {"gold inside the zone", {{GOLD, 13, SENTE}}, SENTE, 13, 4, NoPromotion},
        {"king inside the zone", {{KING, 13, SENTE}}, SENTE, 13, 4, NoPromotion},
        {"knight onto the second row must promote", {{KNIGHT, 28, SENTE}}, SENTE, 28, 11, PromotionForced},
        // The knight's edge files leave it a move, so only the last two rows force promotion.
        {"knight onto an edge file in the zone may stay", {{KNIGHT, 37, SENTE}}, SENTE, 37, 18, PromotionOptional},
        {"gote knight onto an edge file", {{KNIGHT, 37, GOTE}}, GOTE, 37, 54, PromotionOptional},
        {"gote knight onto row 7 must promote", {{KNIGHT, 46, GOTE}}, GOTE, 46, 63, PromotionForced},
        {"gote pawn into its zone", {{PAWN, 49, GOTE}}, GOTE, 49, 58, PromotionOptional},
        {"move exposing the own king", {{KING, 76, SENTE}, {GOLD, 67, SENTE}, {ROOK, 4, GOTE}}, SENTE, 67, 66,
         NoPromotion},
        {"capturing the king", {{KING, 4, GOTE}, {GOLD, 13, SENTE}}, SENTE, 13, 4, NoPromotion},
        {"off-board destination", {{ROOK, 76, SENTE}}, SENTE, 76, 81, Illegal},
        // Moves whose two squares lie on other pieces' lines or steps.
        {"along a file both rooks see through both squares", {{ROOK, 76, SENTE}, {LANCE, 58, SENTE}, {ROOK, 4, GOTE}},
         SENTE, 58, 31, NoPromotion},
        {"out of a dragon's diagonal step onto its line", {{9, 40, SENTE}, {SILVER, 30, GOTE}}, GOTE, 30, 39,
         NoPromotion},
        {"a capture at the end of two lines", {{ROOK, 76, SENTE}, {BISHOP, 4, SENTE}, {9, 40, GOTE}}, SENTE, 76, 40,
         NoPromotion},
    };
    for (const ClassifyCase &c : cases) {
        ZnBan game;
        setUpPosition(game, c.position, c.turn);
        const auto from = static_cast<Square>(c.from), to = static_cast<Square>(c.to);
        EXPECT_EQ(game.classifyMove(from, to), c.expected) << c.name;
        if (c.expected == Illegal) continue;
        // A move it allows keeps both attack maps exact, made and taken back.
        const std::string before = positionKey(game);
        ASSERT_TRUE(game.play({from, to, c.expected == PromotionForced})) << c.name;
        EXPECT_EQ(findInconsistency(game), "") << c.name;
        ASSERT_TRUE(game.undoMove());
        EXPECT_EQ(findInconsistency(game) + positionKey(game), before) << c.name << ", taken back";
    }
}
