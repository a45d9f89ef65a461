// Presses on the board and the stands turned into selections, moves and drops, through the press
// handlers with a scripted promotion answer.

#include "ui/interaction.h"

#include <gtest/gtest.h>

#include <deque>
#include <vector>

#include "common/testing.h"
#include "support/glyphs.h"
#include "ui/render.h"
#include "ui/znflags.h"
#include "ui_testing.h"

namespace {

// Board squares in the usual notation: file 1..9 (column file - 1), rank 1..9 (row rank - 1).

// A point inside the square, away from its lines.
int xOf(Square square) { return 276 - 32 * columnOf(square) + 16; }
int yOf(Square square) { return 56 + 32 * rowOf(square) + 16; }

// A flags snapshot for "nothing changed" checks.
struct Selection {
    bool squareSelected, handSelected;
    int selectedSquare, handSlot;
    bool operator==(const Selection &) const = default;
};

Selection selectionOf(const ZnFlags &flags) {
    return {flags.squareSelected(), flags.handSelected(),
            flags.squareSelected() ? flags.selectedSquare() : -1,
            flags.handSelected() ? flags.handSlot() : -1};
}

class InteractionTest : public ::testing::Test {
protected:
    bool press(Square square, Qt::MouseButton button = Qt::LeftButton) {
        return BoardPress(game, flags, asker, button, xOf(square), yOf(square));
    }
    bool pressAt(int x, int y) { return BoardPress(game, flags, asker, Qt::LeftButton, x, y); }
    // A move entered with two presses; both must ask for a redraw.
    void enter(Square from, Square to) {
        ASSERT_TRUE(press(from)) << int(from);
        ASSERT_TRUE(flags.squareSelected());
        ASSERT_TRUE(press(to)) << int(to);
        ASSERT_FALSE(flags.squareSelected());
    }
    // Presses slot `slot` of the stand of the side to move at its glyph's middle.
    bool pressStand(Side stand, int slot) {
        return StandPress(game, flags, stand, stand == SENTE ? 8 + 20 * slot + 7 : 352 - 20 * slot - 7);
    }

    ZnBan game;
    ZnFlags flags;
    ScriptedAsker asker;
};

TEST(PixelMappingTest, TruncatingDivisionsAtTheBorders) {
    struct Case {
        int (*mapping)(int);
        int pixel, result;
    };
    // The board seen from sente's side.
    int (*BoardColumnAt)(int) = [](int x) { return ::BoardColumnAt(x, BoardView{}); };
    int (*BoardRowAt)(int) = [](int y) { return ::BoardRowAt(y, BoardView{}); };
    const Case cases[] = {
        {BoardColumnAt, 0, 8},       {BoardColumnAt, 10, 8},    {BoardColumnAt, 19, 8},
        {BoardColumnAt, 20, 8},      {BoardColumnAt, 51, 8},    {BoardColumnAt, 52, 7},
        {BoardColumnAt, 276, 0},     {BoardColumnAt, 307, 0},   {BoardColumnAt, 308, -1},
        {BoardColumnAt, 351, -2},    {BoardRowAt, 20, -1},      {BoardRowAt, 24, -1},
        {BoardRowAt, 25, 0},         {BoardRowAt, 40, 0},       {BoardRowAt, 87, 0},
        {BoardRowAt, 88, 1},         {BoardRowAt, 343, 8},      {BoardRowAt, 344, 9},
        {SenteStandSlotAt, 0, 0},    {SenteStandSlotAt, 27, 0}, {SenteStandSlotAt, 28, 1},
        {SenteStandSlotAt, 360, 17}, {GoteStandSlotAt, 360, 0}, {GoteStandSlotAt, 340, 0},
        {GoteStandSlotAt, 333, 0},   {GoteStandSlotAt, 332, 1}, {GoteStandSlotAt, 0, 17},
    };
    for (const Case &c : cases) EXPECT_EQ(c.mapping(c.pixel), c.result) << "pixel " << c.pixel;
}

TEST(ZnFlagsTest, SelectionOperationsKeepTheFlagsExclusive) {
    ZnFlags flags;
    EXPECT_FALSE(flags.squareSelected());
    EXPECT_FALSE(flags.handSelected());
    flags.SelectSquare(60);
    EXPECT_EQ(selectionOf(flags), (Selection{true, false, 60, -1}));
    flags.SelectHand(2);
    EXPECT_EQ(selectionOf(flags), (Selection{false, true, -1, 2}));
    flags.clearSquareSelection();  // a selected hand piece stays selected
    EXPECT_EQ(selectionOf(flags), (Selection{false, true, -1, 2}));
    flags.SelectSquare(7);
    EXPECT_EQ(selectionOf(flags), (Selection{true, false, 7, -1}));
    flags.clearHandSelection();  // only clears the hand flag
    EXPECT_EQ(selectionOf(flags), (Selection{true, false, 7, -1}));
    flags.SelectHand(0);
    flags.Reset();
    EXPECT_EQ(selectionOf(flags), (Selection{false, false, -1, -1}));
}

TEST_F(InteractionTest, OpeningWithCapturePromotionAndDropMatchesTheSameMovesMadeDirectly) {
    // 7六歩 3四歩 2二角成 (asked, Yes) 同銀 then sente drops the bishop on 5五, gote replies 8四歩.
    enter(sq(7, 7), sq(7, 6));
    enter(sq(3, 3), sq(3, 4));
    asker.answers = {true};
    enter(sq(8, 8), sq(2, 2));
    ASSERT_EQ(asker.asked, QStringList{QStringLiteral("角")});
    enter(sq(3, 1), sq(2, 2));
    ASSERT_EQ(game.hand(SENTE).size(), 1);
    ASSERT_TRUE(pressStand(SENTE, 0));
    ASSERT_TRUE(flags.handSelected());
    ASSERT_TRUE(press(sq(5, 5)));
    EXPECT_FALSE(flags.handSelected());
    enter(sq(8, 3), sq(8, 4));

    ZnBan reference;
    ASSERT_TRUE(reference.play({sq(7, 7), sq(7, 6), false}));
    ASSERT_TRUE(reference.play({sq(3, 3), sq(3, 4), false}));
    ASSERT_TRUE(reference.play({sq(8, 8), sq(2, 2), true}));
    ASSERT_TRUE(reference.play({sq(3, 1), sq(2, 2), false}));
    ASSERT_TRUE(reference.play({IN_HAND, sq(5, 5), false, BISHOP}));
    ASSERT_TRUE(reference.play({sq(8, 3), sq(8, 4), false}));
    EXPECT_EQ(positionKey(game), positionKey(reference));
    EXPECT_EQ(game.moveCount(), 6);
    EXPECT_EQ(game.pieceAt(sq(5, 5))->kind(), BISHOP);
    EXPECT_EQ(asker.asked.size(), 1);
}

TEST_F(InteractionTest, OptionalPromotionFollowsTheAnswer) {
    for (bool answer : {true, false}) {
        setUpPosition(game, {{SILVER, sq(5, 4), SENTE}});
        asker = ScriptedAsker();
        asker.answers = {answer};
        enter(sq(5, 4), sq(5, 3));
        EXPECT_EQ(asker.asked, QStringList{fromShiftJis(kGlyphTable[SILVER])});
        EXPECT_EQ(game.pieceAt(sq(5, 3))->promoted(), answer);
        EXPECT_EQ(game.turn(), GOTE);
    }
}

TEST_F(InteractionTest, ForcedAndImpossiblePromotionsAskNothing) {
    struct Case {
        PieceCode code;
        Side side;
        Square from, to;
        bool promoted;
    };
    const Case cases[] = {
        {PAWN, SENTE, sq(1, 2), sq(1, 1), true},                    // a pawn on the last rank must promote
        {KNIGHT, SENTE, sq(2, 4), sq(1, 2), true},                  // a knight on the last two ranks too
        {LANCE, GOTE, sq(9, 8), sq(9, 9), true},                    // gote's last rank is rank 9
        {GOLD, SENTE, sq(5, 4), sq(5, 3), false},                   // a gold never promotes
        {PAWN, SENTE, sq(5, 6), sq(5, 5), false},                   // outside the zone
        {PAWN + PROMOTED_OFFSET, SENTE, sq(5, 3), sq(5, 2), true},  // already promoted
    };
    for (const Case &c : cases) {
        setUpPosition(game, {{c.code, c.from, c.side}}, c.side);
        asker = ScriptedAsker();
        enter(c.from, c.to);
        EXPECT_TRUE(asker.asked.empty()) << int(c.code);
        ASSERT_NE(game.pieceAt(c.to), nullptr);
        EXPECT_EQ(game.pieceAt(c.to)->promoted(), c.promoted) << int(c.code);
    }
}

TEST_F(InteractionTest, RefusedPressesChangeNothing) {
    const std::string start = positionKey(game);
    // Nothing selected: an empty square, a piece of the side not to move, outside the grid, and a
    // right-button press on an own piece.
    EXPECT_FALSE(press(sq(5, 5)));
    EXPECT_FALSE(press(sq(5, 3)));
    EXPECT_FALSE(pressAt(100, 20));
    EXPECT_FALSE(pressAt(320, 200));
    EXPECT_FALSE(press(sq(7, 7), Qt::RightButton));
    EXPECT_EQ(selectionOf(flags), (Selection{false, false, -1, -1}));

    // A selected pawn: an illegal destination, an opponent's piece out of reach, the right button.
    ASSERT_TRUE(press(sq(7, 7)));
    const Selection selected = selectionOf(flags);
    EXPECT_FALSE(press(sq(7, 5)));
    EXPECT_FALSE(press(sq(7, 3)));
    EXPECT_FALSE(press(sq(6, 6), Qt::RightButton));
    EXPECT_FALSE(press(sq(6, 6), Qt::MiddleButton));
    EXPECT_FALSE(pressAt(200, 24));
    EXPECT_EQ(selectionOf(flags), selected);
    EXPECT_EQ(positionKey(game), start);
    EXPECT_TRUE(asker.asked.empty());
}

TEST_F(InteractionTest, PressingAnotherOwnPieceMovesTheSelection) {
    ASSERT_TRUE(press(sq(7, 7)));
    EXPECT_TRUE(press(sq(2, 8)));  // the rook cannot be reached by the pawn: select it instead
    EXPECT_EQ(selectionOf(flags), (Selection{true, false, sq(2, 8), -1}));
    EXPECT_TRUE(press(sq(2, 8)));  // the selected piece itself stays selected
    EXPECT_EQ(selectionOf(flags), (Selection{true, false, sq(2, 8), -1}));
    enter(sq(2, 7), sq(2, 6));
    EXPECT_EQ(game.turn(), GOTE);
}

TEST_F(InteractionTest, PressesAtThePixelBorders) {
    // A sente gold on column 8, row 0 (the top-left square on screen).
    setUpPosition(game, {{GOLD, 8, SENTE}, {GOLD, 80, GOTE}});
    EXPECT_FALSE(pressAt(10, 20));
    EXPECT_FALSE(flags.squareSelected());
    EXPECT_TRUE(pressAt(10, 40));
    EXPECT_EQ(selectionOf(flags), (Selection{true, false, 8, -1}));
    // Column 8 row 1 at the left edge of the grid: the gold steps down.
    EXPECT_TRUE(pressAt(0, 88));
    EXPECT_EQ(game.pieceAt(17)->kind(), GOLD);
}

TEST_F(InteractionTest, StandPressesSelectOnlyExistingSlotsOfTheSideToMove) {
    setUpPosition(game,
                  {{PAWN, IN_HAND, SENTE}, {ROOK, IN_HAND, SENTE}, {GOLD, IN_HAND, GOTE}, {KING, 76, SENTE}});
    // The wrong stand, also while a board piece is selected.
    EXPECT_FALSE(pressStand(GOTE, 0));
    ASSERT_TRUE(press(76));
    EXPECT_FALSE(StandPress(game, flags, GOTE, 340));
    EXPECT_EQ(selectionOf(flags), (Selection{true, false, 76, -1}));
    // At the slot equal to the hand's size nothing happens; the slot borders are y = 27 / 28.
    EXPECT_FALSE(StandPress(game, flags, SENTE, 48));
    EXPECT_TRUE(StandPress(game, flags, SENTE, 28));
    EXPECT_EQ(selectionOf(flags), (Selection{false, true, -1, 1}));
    EXPECT_TRUE(StandPress(game, flags, SENTE, 27));
    EXPECT_EQ(selectionOf(flags), (Selection{false, true, -1, 0}));

    // Gote to move: its stand counts upward from y = 352; 340 is slot 0, 332 slot 1 (empty here).
    setUpPosition(game, {{GOLD, IN_HAND, GOTE}, {PAWN, IN_HAND, SENTE}}, GOTE);
    flags.Reset();
    EXPECT_FALSE(StandPress(game, flags, GOTE, 332));
    EXPECT_FALSE(StandPress(game, flags, SENTE, 20));
    EXPECT_TRUE(StandPress(game, flags, GOTE, 340));
    EXPECT_EQ(selectionOf(flags), (Selection{false, true, -1, 0}));
}

TEST_F(InteractionTest, DropStepSucceedsSwitchesToABoardPieceOrKeepsTheHandPiece) {
    setUpPosition(game,
                  {{PAWN, IN_HAND, SENTE}, {KING, 76, SENTE}, {KING, 4, GOTE}, {PAWN, sq(5, 7), SENTE}});
    ASSERT_TRUE(pressStand(SENTE, 0));
    const std::string before = positionKey(game);
    // Illegal drops: rank 1 for a pawn, a second pawn in file 5, an occupied square of the other side.
    EXPECT_FALSE(press(sq(1, 1)));
    EXPECT_FALSE(press(sq(5, 5)));
    EXPECT_FALSE(press(4));
    EXPECT_EQ(selectionOf(flags), (Selection{false, true, -1, 0}));
    EXPECT_EQ(positionKey(game), before);
    // A press on an own piece selects it instead.
    EXPECT_TRUE(press(76));
    EXPECT_EQ(selectionOf(flags), (Selection{true, false, 76, -1}));
    // Back to the hand, and a legal drop.
    ASSERT_TRUE(pressStand(SENTE, 0));
    EXPECT_TRUE(press(sq(4, 5)));
    EXPECT_EQ(selectionOf(flags), (Selection{false, false, -1, -1}));
    EXPECT_EQ(game.pieceAt(sq(4, 5))->kind(), PAWN);
    EXPECT_TRUE(game.hand(SENTE).empty());
    EXPECT_EQ(game.turn(), GOTE);
}

TEST_F(InteractionTest, CaptureFillsTheHandAndItsPieceIsDroppedLater) {
    setUpPosition(game, {{ROOK, sq(5, 9), SENTE}, {GOLD, sq(5, 5), GOTE}, {ROOK, sq(1, 1), GOTE}});
    // Sente's rook takes gote's gold.
    enter(sq(5, 9), sq(5, 5));
    ASSERT_EQ(game.hand(SENTE).size(), 1);
    EXPECT_EQ(game.hand(SENTE)[0]->kind(), GOLD);
    // Gote's rook cannot take sente's rook diagonally: the selection stays on it.
    ASSERT_TRUE(press(sq(1, 1)));
    EXPECT_FALSE(press(sq(5, 5)));
    EXPECT_EQ(selectionOf(flags), (Selection{true, false, sq(1, 1), -1}));
    // It enters sente's camp instead and declines to promote.
    asker.answers = {false};
    ASSERT_TRUE(press(sq(1, 9)));
    EXPECT_EQ(asker.asked, QStringList{QStringLiteral("飛")});
    EXPECT_FALSE(game.pieceAt(sq(1, 9))->promoted());
    // Sente drops the captured gold beside it.
    ASSERT_TRUE(pressStand(SENTE, 0));
    EXPECT_TRUE(press(sq(2, 9)));
    EXPECT_EQ(game.pieceAt(sq(2, 9))->kind(), GOLD);
    EXPECT_EQ(game.pieceAt(sq(2, 9))->side(), SENTE);
    EXPECT_TRUE(game.hand(SENTE).empty());
}

TEST_F(InteractionTest, HandSlotSurvivesAnUndoIntoTheOtherHand) {
    // Sente has two pieces in hand, gote one; sente selects slot 1, a move is taken back.
    setUpPosition(
        game,
        {{PAWN, sq(5, 7), SENTE}, {GOLD, IN_HAND, SENTE}, {PAWN, IN_HAND, SENTE}, {GOLD, IN_HAND, GOTE}});
    enter(sq(5, 7), sq(5, 6));
    ASSERT_TRUE(pressStand(GOTE, 0));
    ASSERT_TRUE(game.undoMove());
    // The window keeps the hand selection across the undo: slot 0 is now counted in sente's hand.
    EXPECT_TRUE(flags.handSelected());
    EXPECT_TRUE(press(sq(5, 5)));
    EXPECT_EQ(game.pieceAt(sq(5, 5))->kind(), GOLD);
    EXPECT_EQ(game.pieceAt(sq(5, 5))->side(), SENTE);
}

}  // namespace
