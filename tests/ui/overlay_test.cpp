// The attack overlay read back from the board picture: tints, frames and the colour scales.

#include <gtest/gtest.h>

#include <QRect>
#include <vector>

#include "common/testing.h"
#include "ui/render.h"
#include "ui/znflags.h"

namespace {

constexpr QRgb kYellow = qRgb(255, 255, 0);

int squareLeft(int square) { return 276 - 32 * columnOf(square); }
int squareTop(int square) { return 56 + 32 * rowOf(square); }

class OverlayTest : public ::testing::Test {
protected:
    void SetUp() override { installFontSubstitutes(); }

    const QImage &draw(AttackDisplay mode) {
        QImage &image = flags.image();
        DrawBoardBase(image, fonts(), game, mode);
        DrawBoardPieces(image, fonts(), game, flags);
        return image;
    }

    // The tint of a square, read beside its top-left corner where no glyph or frame reaches.
    static QRgb tintOf(const QImage &image, int square) {
        return image.pixel(squareLeft(square) + 4, squareTop(square) + 4);
    }

    // Yellow on the two inner pixels of every edge of the square, at the middle of the edge.
    static bool framed(const QImage &image, int square) {
        const int left = squareLeft(square), top = squareTop(square);
        for (int d : {0, 1}) {
            if (image.pixel(left + d, top + 16) != kYellow ||
                image.pixel(left + 31 - d, top + 16) != kYellow ||
                image.pixel(left + 16, top + d) != kYellow || image.pixel(left + 16, top + 31 - d) != kYellow)
                return false;
        }
        return true;
    }

    static int yellowPixels(const QImage &image) {
        int count = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) count += image.pixel(x, y) == kYellow;
        return count;
    }

    const BoardFonts &fonts() const { return fonts_; }

    BoardFonts fonts_;
    ZnBan game;
    ZnFlags flags;
};

TEST_F(OverlayTest, StartingPositionTintsRowsThreeAndFiveOnly) {
    struct Case {
        AttackDisplay mode;
        QRgb row3, row5;
    };
    const QRgb board = BoardColour.rgb();
    const Case cases[] = {
        {AttackDisplay::Balance, qRgb(240, 0, 0), qRgb(0, 0, 240)},
        {AttackDisplay::Concentration, qRgb(0, 224, 0), qRgb(0, 224, 0)},
        {AttackDisplay::None, board, board},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(int(c.mode));
        const QImage &image = draw(c.mode);
        for (int column = 0; column < 9; ++column) {
            EXPECT_EQ(tintOf(image, squareAt(3, column)), c.row3) << column;
            EXPECT_EQ(tintOf(image, squareAt(4, column)), board) << column;
            EXPECT_EQ(tintOf(image, squareAt(5, column)), c.row5) << column;
        }
        EXPECT_EQ(yellowPixels(image), 0);
    }
}

TEST_F(OverlayTest, ModeWithoutOverlayLeavesEverySquareBoardColoured) {
    // None, and values no button sets.
    for (int mode : {0, 4, -1}) {
        const QImage &image = draw(static_cast<AttackDisplay>(mode));
        for (int square = 0; square < SQUARE_COUNT; ++square)
            EXPECT_EQ(tintOf(image, square), BoardColour.rgb()) << "mode " << mode << " square " << square;
    }
}

TEST_F(OverlayTest, TintCoversTheLeftAndTopGridLinesOfItsSquare) {
    const QImage &image = draw(AttackDisplay::Balance);
    // Square 45 (row 5, column 0) is tinted and row 4 above it is not: the tint runs over the
    // square's own top and left lines.
    const int left = squareLeft(45), top = squareTop(45);
    EXPECT_EQ(image.pixel(left, top + 10), qRgb(0, 0, 240));
    EXPECT_EQ(image.pixel(left + 10, top), qRgb(0, 0, 240));
    EXPECT_EQ(image.pixel(left + 31, top + 31), qRgb(0, 0, 240));
    // Column 0's right-hand line belongs to no square.
    EXPECT_EQ(image.pixel(left + 32, top + 10), qRgb(0, 0, 0));
    // Row 4 is untinted, so the line between rows 3 and 4 stays black.
    EXPECT_EQ(image.pixel(left + 10, squareTop(27) + 32), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(left + 10, squareTop(27) + 31), qRgb(240, 0, 0));
}

TEST_F(OverlayTest, OutAttackedPieceIsFramedDefendedOneIsNot) {
    // Square 40 is attacked by sente's gold on 49 and silver on 50, and by gote's gold on 31.
    for (Side owner : {GOTE, SENTE}) {
        SCOPED_TRACE(owner);
        setUpPosition(game, {{PAWN, 40, owner}, {GOLD, 49, SENTE}, {SILVER, 50, SENTE}, {GOLD, 31, GOTE}});
        ASSERT_EQ(game.attackCount(SENTE, 40), 2);
        ASSERT_EQ(game.attackCount(GOTE, 40), 1);
        const QImage &image = draw(AttackDisplay::Balance);
        EXPECT_EQ(tintOf(image, 40), qRgb(0, 0, 240));
        EXPECT_EQ(framed(image, 40), owner == GOTE);
        // Undefended, gote's gold on 31 is framed in turn when sente's pawn attacks it.
        EXPECT_EQ(framed(image, 31), owner == SENTE);
        // The glyph keeps its board-coloured box on the tinted square (歩 is 13 pixels wide).
        const int left = squareLeft(40), top = squareTop(40);
        const QRect cell =
            owner == SENTE ? QRect(left + 8, top + 8, 13, 14) : QRect(left + 24 - 13, top + 24 - 14, 13, 14);
        int boardPixels = 0, tintPixels = 0;
        for (int y = cell.top(); y <= cell.bottom(); ++y) {
            for (int x = cell.left(); x <= cell.right(); ++x) {
                boardPixels += image.pixel(x, y) == BoardColour.rgb();
                tintPixels += image.pixel(x, y) == qRgb(0, 0, 240);
            }
        }
        EXPECT_GT(boardPixels, 40);
        EXPECT_EQ(tintPixels, 0);
    }
}

TEST_F(OverlayTest, FrameReachesTwoPixelsIntoTheNeighbours) {
    // A lone gote pawn attacked by a sente lance: only square 40 (and the lance's path) is tinted.
    setUpPosition(game, {{PAWN, 40, GOTE}, {LANCE, 76, SENTE}});
    const QImage &image = draw(AttackDisplay::Balance);
    ASSERT_TRUE(framed(image, 40));
    const int left = squareLeft(40), top = squareTop(40);
    // Across the left edge (row 4, column 5 beside it is untinted): x = left - 2 .. left + 1.
    for (int x = left - 4; x <= left + 3; ++x)
        EXPECT_EQ(image.pixel(x, top + 16) == kYellow, x >= left - 2 && x <= left + 1) << x;
    // Across the top edge (square 31 above is untinted too).
    for (int y = top - 4; y <= top + 3; ++y)
        EXPECT_EQ(image.pixel(left + 16, y) == kYellow, y >= top - 2 && y <= top + 1) << y;
}

TEST_F(OverlayTest, LeadOfThreeForGoteOnAnEmptySquare) {
    setUpPosition(game, {{GOLD, 31, GOTE}, {SILVER, 30, GOTE}, {GOLD, 32, GOTE}});
    ASSERT_EQ(game.attackCount(GOTE, 40), 3);
    const QImage &image = draw(AttackDisplay::Balance);
    EXPECT_EQ(tintOf(image, 40), qRgb(176, 0, 0));
    EXPECT_EQ(yellowPixels(image), 0);
    EXPECT_EQ(tintOf(draw(AttackDisplay::Concentration), 40), qRgb(0, 192, 0));
}

TEST_F(OverlayTest, LeadsBeyondTheScaleTakeTheDarkestLevel) {
    // Ten attackers of one side on square 40: eight neighbours that step onto it and two knights.
    const std::vector<Placement> senteTen = {
        {PAWN + PROMOTED_OFFSET, 31, SENTE},
        {PAWN + PROMOTED_OFFSET, 39, SENTE},
        {PAWN + PROMOTED_OFFSET, 41, SENTE},
        {PAWN + PROMOTED_OFFSET, 48, SENTE},
        {PAWN + PROMOTED_OFFSET, 49, SENTE},
        {PAWN + PROMOTED_OFFSET, 50, SENTE},
        {SILVER, 30, SENTE},
        {SILVER, 32, SENTE},
        {KNIGHT, 57, SENTE},
        {KNIGHT, 59, SENTE},
    };
    std::vector<Placement> goteTen;
    for (const Placement &p : senteTen) goteTen.push_back({p.code, static_cast<Square>(80 - p.square), GOTE});
    struct Case {
        const std::vector<Placement> *pieces;
        QRgb balance;
    };
    for (const Case &c : {Case{&senteTen, qRgb(0, 0, 16)}, Case{&goteTen, qRgb(16, 0, 0)}}) {
        setUpPosition(game, *c.pieces);
        ASSERT_EQ(game.attackCount(SENTE, 40) + game.attackCount(GOTE, 40), 10);
        EXPECT_EQ(tintOf(draw(AttackDisplay::Balance), 40), c.balance);
        EXPECT_EQ(tintOf(draw(AttackDisplay::Concentration), 40), qRgb(0, 80, 0));
    }
}

TEST(OverlayScaleTest, StoredLevelsAndTheirEnds) {
    struct Case {
        QColor (*scale)(int);
        int count;
        QRgb colour;
    };
    const Case cases[] = {
        {senteLeadColour, 1, qRgb(0, 0, 240)},     {senteLeadColour, 2, qRgb(0, 0, 208)},
        {senteLeadColour, 8, qRgb(0, 0, 16)},      {senteLeadColour, 9, qRgb(0, 0, 16)},
        {senteLeadColour, 40, qRgb(0, 0, 16)},     {goteLeadColour, 1, qRgb(240, 0, 0)},
        {goteLeadColour, 3, qRgb(176, 0, 0)},      {goteLeadColour, 8, qRgb(16, 0, 0)},
        {goteLeadColour, 12, qRgb(16, 0, 0)},      {concentrationColour, 1, qRgb(0, 224, 0)},
        {concentrationColour, 7, qRgb(0, 128, 0)}, {concentrationColour, 14, qRgb(0, 16, 0)},
        {concentrationColour, 15, qRgb(0, 0, 0)},  {concentrationColour, 16, qRgb(0, 0, 0)},
        {concentrationColour, 80, qRgb(0, 0, 0)},
    };
    for (const Case &c : cases) EXPECT_EQ(c.scale(c.count).rgb(), c.colour) << c.count;
    // Every level of each table follows its rule.
    for (int d = 1; d <= 8; ++d) {
        EXPECT_EQ(senteLeadColour(d).rgb(), qRgb(0, 0, 272 - 32 * d));
        EXPECT_EQ(goteLeadColour(d).rgb(), qRgb(272 - 32 * d, 0, 0));
    }
    for (int s = 1; s <= 15; ++s) EXPECT_EQ(concentrationColour(s).rgb(), qRgb(0, 240 - 16 * s, 0));
}

TEST_F(OverlayTest, SquaresAreVisitedInAscendingOrder) {
    // A framed gote pawn on 40 between two tinted empty squares: 39 (right of it on screen, visited
    // before) and 41 (left of it, visited after). 41's fill covers the frame where it reaches into
    // 41; the frame reaching into 39 stays.
    setUpPosition(game, {{PAWN, 40, GOTE}, {LANCE, 75, SENTE}, {LANCE, 76, SENTE}, {LANCE, 77, SENTE}});
    const QImage &image = draw(AttackDisplay::Balance);
    ASSERT_TRUE(framed(image, 40));
    const int left = squareLeft(40), right = left + 32, y = squareTop(40) + 16;
    const QRgb blue = qRgb(0, 0, 240);
    const std::pair<int, QRgb> row[] = {
        {left - 3, blue},     {left - 2, blue}, {left - 1, blue},     {left, kYellow},
        {left + 1, kYellow},  {left + 2, blue}, {right - 3, blue},    {right - 2, kYellow},
        {right - 1, kYellow}, {right, kYellow}, {right + 1, kYellow}, {right + 2, blue},
    };
    for (auto [x, colour] : row) EXPECT_EQ(image.pixel(x, y), colour) << x;
}

}  // namespace
