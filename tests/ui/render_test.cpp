// The drawing layer checked against read-back pixels, then the board and stand pictures.
// Glyphs are antialiased, so they are read as "dark pixels inside a box", never as exact colours.

#include "ui/render.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QPalette>
#include <QPoint>
#include <QRect>
#include <vector>

#include "common/testing.h"
#include "support/glyphs.h"
#include "ui/drawing.h"
#include "ui/znflags.h"

namespace {

bool isDark(QRgb pixel) { return qGray(pixel) < 96; }
bool isWhitish(QRgb pixel) { return qRed(pixel) > 200 && qGreen(pixel) > 200 && qBlue(pixel) > 200; }

// How many pixels of `box` satisfy `test`.
template <typename Test>
int countIn(const QImage &image, const QRect &box, Test test) {
    int count = 0;
    for (int y = box.top(); y <= box.bottom(); ++y)
        for (int x = box.left(); x <= box.right(); ++x)
            if (test(image.pixel(x, y))) ++count;
    return count;
}

int darkIn(const QImage &image, const QRect &box) { return countIn(image, box, isDark); }

// Dark pixels of `area` lying outside `allowed`.
int darkOutside(const QImage &image, const QRect &area, const QRect &allowed) {
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (!allowed.contains(x, y) && isDark(image.pixel(x, y))) ++count;
    return count;
}

QRgb rgb(const QColor &colour) { return colour.rgb(); }

int squareLeft(int square) { return 276 - 32 * columnOf(square); }
int squareTop(int square) { return 56 + 32 * rowOf(square); }
// A square's inside, without the grid lines around it.
QRect squareInside(int square) { return QRect(squareLeft(square) + 1, squareTop(square) + 1, 31, 31); }

// The ink of a box as a mask.
struct Ink {
    int width = 0, height = 0;
    std::vector<bool> dark;
    bool at(int x, int y) const {
        return x >= 0 && y >= 0 && x < width && y < height && dark[static_cast<std::size_t>(y * width + x)];
    }
};

Ink inkOf(const QImage &image, const QRect &box) {
    Ink ink{box.width(), box.height(), {}};
    for (int y = box.top(); y <= box.bottom(); ++y)
        for (int x = box.left(); x <= box.right(); ++x) ink.dark.push_back(isDark(image.pixel(x, y)));
    return ink;
}

// The share of ink pixels on which two pictures disagree (0 = the same picture).
double mismatch(const Ink &a, const Ink &b) {
    int differ = 0, ink = 0;
    for (std::size_t i = 0; i < a.dark.size() && i < b.dark.size(); ++i) {
        ink += a.dark[i] || b.dark[i];
        differ += a.dark[i] != b.dark[i];
    }
    return ink == 0 ? 1.0 : static_cast<double>(differ) / ink;
}

// The smallest rectangle holding every dark pixel of `area`.
QRect inkBounds(const QImage &image, const QRect &area) {
    QRect bounds;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (isDark(image.pixel(x, y))) bounds |= QRect(x, y, 1, 1);
    return bounds;
}

// Ink bounds relative to a reference point, turned by 180 degrees about it: a pixel at offset d
// lands at offset -d - 1.
QRect turnedAbout(const QRect &bounds, QPoint from, QPoint to) {
    const QRect relative = bounds.translated(-from);
    return QRect(QPoint(-relative.right() - 1, -relative.bottom() - 1),
                 QPoint(-relative.left() - 1, -relative.top() - 1))
        .translated(to);
}

// Whether two rectangles agree edge by edge within `slack` pixels.
bool closeTo(const QRect &a, const QRect &b, int slack) {
    return std::abs(a.left() - b.left()) <= slack && std::abs(a.right() - b.right()) <= slack &&
           std::abs(a.top() - b.top()) <= slack && std::abs(a.bottom() - b.bottom()) <= slack;
}

class DrawingTest : public ::testing::Test {
protected:
    void SetUp() override {
        installFontSubstitutes();
        image = QImage(64, 64, QImage::Format_RGB32);
        image.fill(Qt::white);
    }
    QImage image;
};

TEST_F(DrawingTest, FillCoversExactlyTheHalfOpenRectangle) {
    {
        Canvas canvas(image);
        canvas.setFillColour(Qt::red);
        canvas.fillRect(10, 10, 20, 15);
    }
    EXPECT_EQ(countIn(image, image.rect(), [](QRgb p) { return p == qRgb(255, 0, 0); }), 10 * 5);
    EXPECT_EQ(image.pixel(10, 10), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(19, 14), qRgb(255, 0, 0));
}

TEST_F(DrawingTest, RectangleOutlinesTheEdgesOfTheHalfOpenRectangle) {
    {
        Canvas canvas(image);
        canvas.setFillColour(Qt::red);
        canvas.setPen(Qt::black, 1);
        canvas.rectangle(4, 8, 24, 30);
    }
    const QRect area(4, 8, 20, 22);
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 64; ++x) {
            const bool edge = area.contains(x, y) && (x == 4 || x == 23 || y == 8 || y == 29);
            const QRgb expected = !area.contains(x, y) ? qRgb(255, 255, 255)
                                  : edge               ? qRgb(0, 0, 0)
                                                       : qRgb(255, 0, 0);
            ASSERT_EQ(image.pixel(x, y), expected) << "at " << x << "," << y;
        }
    }
}

TEST_F(DrawingTest, LinesStopOnePixelBeforeTheirEndPoint) {
    struct Case {
        QPoint from, to;
        std::vector<QPoint> drawn;  // first and last pixel drawn
        QPoint endPoint;
    };
    const Case cases[] = {
        {{5, 7}, {40, 7}, {{5, 7}, {39, 7}}, {40, 7}},
        {{40, 9}, {5, 9}, {{40, 9}, {6, 9}}, {5, 9}},
        {{12, 3}, {12, 50}, {{12, 3}, {12, 49}}, {12, 50}},
        {{2, 2}, {20, 20}, {{2, 2}, {19, 19}}, {20, 20}},
    };
    for (const Case &c : cases) {
        image.fill(Qt::white);
        {
            Canvas canvas(image);
            canvas.setPen(Qt::black, 1);
            canvas.line(c.from.x(), c.from.y(), c.to.x(), c.to.y());
        }
        const int length = std::max(std::abs(c.to.x() - c.from.x()), std::abs(c.to.y() - c.from.y()));
        for (const QPoint &p : c.drawn) EXPECT_EQ(image.pixel(p), qRgb(0, 0, 0)) << p.x() << "," << p.y();
        EXPECT_EQ(image.pixel(c.endPoint), qRgb(255, 255, 255));
        EXPECT_EQ(countIn(image, image.rect(), isDark), length) << c.from.x() << "," << c.from.y();
    }
}

TEST_F(DrawingTest, WidePenStraddlesTheOutlineTwoPixelsEachSide) {
    {
        Canvas canvas(image);
        canvas.setPen(Qt::black, 1);
        canvas.setPen(Qt::yellow, 4);
        const QPoint outline[] = {{16, 16}, {48, 16}, {48, 48}, {16, 48}};
        canvas.closedOutline(outline, 4);
    }
    const auto yellow = [](QRgb p) { return p == qRgb(255, 255, 0); };
    // Across each edge at mid-length: pixels 14..17 of the left edge, 46..49 of the right.
    for (int x = 10; x < 54; ++x) {
        const bool band = (x >= 14 && x <= 17) || (x >= 46 && x <= 49);
        EXPECT_EQ(yellow(image.pixel(x, 32)), band) << "x " << x;
    }
    for (int y = 10; y < 54; ++y) {
        const bool band = (y >= 14 && y <= 17) || (y >= 46 && y <= 49);
        EXPECT_EQ(yellow(image.pixel(32, y)), band) << "y " << y;
    }
    // The corners are closed, and the inside away from the band is untouched.
    EXPECT_TRUE(yellow(image.pixel(16, 16)));
    EXPECT_TRUE(yellow(image.pixel(48, 48)));
    EXPECT_EQ(countIn(image, QRect(18, 18, 28, 28), yellow), 0);
}

TEST_F(DrawingTest, ShapesAtDoubleRatioAreTheSamePixelsDoubled) {
    const auto draw = [](QImage &target) {
        Canvas canvas(target);
        canvas.setFillColour(Qt::red);
        canvas.fillRect(2, 3, 9, 12);
        canvas.setPen(Qt::black, 1);
        canvas.setFillColour(Qt::green);
        canvas.rectangle(20, 4, 40, 30);
        canvas.line(3, 40, 30, 40);
        canvas.line(50, 2, 50, 60);
        canvas.line(14, 60, 14, 44);
    };
    draw(image);
    QImage sharp(128, 128, QImage::Format_RGB32);
    sharp.setDevicePixelRatio(2.0);
    sharp.fill(Qt::white);
    draw(sharp);
    int differing = 0;
    for (int y = 0; y < 128; ++y)
        for (int x = 0; x < 128; ++x)
            if (sharp.pixel(x, y) != image.pixel(x / 2, y / 2)) ++differing;
    EXPECT_EQ(differing, 0);
}

TEST_F(DrawingTest, WidePenAtDoubleRatioStraddlesByTwoLogicalPixels) {
    QImage sharp(128, 128, QImage::Format_RGB32);
    sharp.setDevicePixelRatio(2.0);
    sharp.fill(Qt::white);
    {
        Canvas canvas(sharp);
        canvas.setPen(Qt::yellow, 4);
        const QPoint outline[] = {{16, 16}, {48, 16}, {48, 48}, {16, 48}};
        canvas.closedOutline(outline, 4);
    }
    // Round joins differ only at the corners; across the middle of each edge the band is logical
    // pixels 14..17 and 46..49, as at ratio 1.
    for (int x = 20; x < 108; ++x) {
        const bool band = (x >= 28 && x < 36) || (x >= 92 && x < 100);
        EXPECT_EQ(sharp.pixel(x, 64) == qRgb(255, 255, 0), band) << "x " << x;
        EXPECT_EQ(sharp.pixel(64, x) == qRgb(255, 255, 0), band) << "y " << x;
    }
}

TEST_F(DrawingTest, OpaqueTextFillsItsCellRightDownOrTurnedLeftUp) {
    const TextFont font = fontWithCellHeight(QStringLiteral("ＭＳ Ｐ明朝"), 14);
    ASSERT_EQ(font.height, 14);
    const QString pawn = fromShiftJis(kGlyphTable[PAWN]);
    const int advance = QFontMetrics(font.font).horizontalAdvance(pawn);
    const auto red = [](QRgb p) { return p == qRgb(255, 0, 0); };
    for (bool isTurned : {false, true}) {
        image.fill(Qt::white);
        {
            Canvas canvas(image);
            canvas.setFillColour(Qt::red);
            canvas.setTextColour(Qt::black);
            canvas.text(32, 32, pawn, font, isTurned);
        }
        const QRect cell = isTurned ? QRect(32 - advance, 32 - 14, advance, 14) : QRect(32, 32, advance, 14);
        // Every pixel of the cell is fill or ink; nothing outside it changed.
        EXPECT_EQ(countIn(image, cell, [&](QRgb p) { return red(p) || qRed(p) < 255; }), advance * 14);
        EXPECT_GT(darkIn(image, cell), 20);
        // Outside the cell only the glyph's own overhang of at most a pixel may appear.
        const auto changed = [](QRgb p) { return p != qRgb(255, 255, 255); };
        const QRect overhang = cell.adjusted(-1, -1, 1, 1);
        EXPECT_EQ(countIn(image, image.rect(), changed), countIn(image, overhang, changed))
            << (isTurned ? "turned" : "upright");
    }
}

TEST_F(DrawingTest, TurnedTextIsUpsideDownNotMirrored) {
    // "L": its stem is the darkest column and its foot the darkest row. Turned by 180 degrees the
    // stem moves to the right and the foot to the top.
    const TextFont font = fontWithCellHeight(QStringLiteral("ＭＳ Ｐ明朝"), 14);
    for (bool isTurned : {false, true}) {
        image.fill(Qt::white);
        {
            Canvas canvas(image);
            canvas.setFillColour(Qt::white);
            canvas.text(32, 32, QStringLiteral("L"), font, isTurned);
        }
        const QRect ink = inkBounds(image, image.rect());
        ASSERT_FALSE(ink.isEmpty());
        int stem = ink.left(), foot = ink.top();
        for (int x = ink.left(); x <= ink.right(); ++x)
            if (darkIn(image, QRect(x, 0, 1, 64)) > darkIn(image, QRect(stem, 0, 1, 64))) stem = x;
        for (int y = ink.top(); y <= ink.bottom(); ++y)
            if (darkIn(image, QRect(0, y, 64, 1)) > darkIn(image, QRect(0, foot, 64, 1))) foot = y;
        const QPoint centre = ink.center();
        SCOPED_TRACE(isTurned ? "turned" : "upright");
        EXPECT_EQ(stem > centre.x(), isTurned);
        EXPECT_EQ(foot < centre.y(), isTurned);
        EXPECT_EQ(ink.bottom() < 32, isTurned);
        EXPECT_EQ(ink.right() < 32, isTurned);
    }
}

TEST_F(DrawingTest, CellHeightIsTheRequestedOne) {
    for (int height : {12, 14}) {
        const TextFont font = fontWithCellHeight(QStringLiteral("ＭＳ Ｐ明朝"), height);
        EXPECT_EQ(font.height, height);
        EXPECT_EQ(QFontMetrics(font.font).height(), height);
        EXPECT_EQ(font.font.weight(), QFont::Bold);
        EXPECT_EQ(QFontInfo(font.font).family(), QStringLiteral("IPAPMincho"));
    }
}

TEST(ShiftJisTest, TablesDecodeToTheirCharacters) {
    EXPECT_EQ(fromShiftJis(kGlyphTable[KING]), QStringLiteral("玉"));
    EXPECT_EQ(fromShiftJis(kGlyphTable[ROOK + PROMOTED_OFFSET]), QStringLiteral("龍"));
    EXPECT_EQ(fromShiftJis(kGlyphTable[PAWN + PROMOTED_OFFSET]), QStringLiteral("と"));
    EXPECT_EQ(fromShiftJis(kPromotedMark), QStringLiteral("成"));
    EXPECT_EQ(fromShiftJis(kFileLabels[0]), QStringLiteral("１"));
    EXPECT_EQ(fromShiftJis(kRankLabels[8]), QStringLiteral("九"));
    // A second decoding gives the same text; empty and null entries give empty text.
    EXPECT_EQ(fromShiftJis("\x8B\xE2"), QStringLiteral("銀"));
    EXPECT_EQ(fromShiftJis("\x8B\xE2"), QStringLiteral("銀"));
    EXPECT_TRUE(fromShiftJis(kGlyphTable[KING + PROMOTED_OFFSET]).isEmpty());
    EXPECT_TRUE(fromShiftJis(nullptr).isEmpty());
    // The board's fonts hold every entry decoded once, each under its own index.
    const BoardFonts fonts;
    for (PieceCode code = 0; code < CODE_COUNT; ++code)
        EXPECT_EQ(fonts.glyph(code), fromShiftJis(kGlyphTable[code])) << int(code);
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(fonts.fileLabel(i), fromShiftJis(kFileLabels[i])) << i;
        EXPECT_EQ(fonts.rankLabel(i), fromShiftJis(kRankLabels[i])) << i;
    }
    EXPECT_EQ(fonts.promotedMark(), QStringLiteral("成"));
}

TEST(ZnFlagsImageTest, CreatedInTheMenuColourAtTheAskedRatio) {
    const QColor menu = QGuiApplication::palette().color(QPalette::Window);
    ZnFlags flags;
    QImage &image = flags.image();
    EXPECT_EQ(image.size(), QSize(IMAGE_WIDTH, IMAGE_HEIGHT));
    EXPECT_EQ(image.pixel(0, 0), menu.rgb());
    EXPECT_EQ(image.pixel(IMAGE_WIDTH - 1, IMAGE_HEIGHT - 1), menu.rgb());
    // Asking again at the same ratio keeps the image and what was drawn into it.
    image.setPixel(5, 5, qRgb(1, 2, 3));
    EXPECT_EQ(flags.image(1.0).pixel(5, 5), qRgb(1, 2, 3));

    QImage &sharp = flags.image(2.0);
    EXPECT_EQ(sharp.size(), QSize(2 * IMAGE_WIDTH, 2 * IMAGE_HEIGHT));
    EXPECT_EQ(sharp.devicePixelRatio(), 2.0);
    EXPECT_EQ(sharp.deviceIndependentSize(), QSizeF(IMAGE_WIDTH, IMAGE_HEIGHT));
    EXPECT_EQ(sharp.pixel(5, 5), menu.rgb());
}

class BoardPictureTest : public ::testing::Test {
protected:
    void SetUp() override { installFontSubstitutes(); }

    QImage &drawBoard(AttackDisplay mode = AttackDisplay::None) {
        QImage &image = flags.image();
        DrawBoardBase(image, fonts(), game, mode);
        DrawBoardPieces(image, fonts(), game, flags);
        return image;
    }

    const BoardFonts &fonts() const { return fonts_; }

    BoardFonts fonts_;
    ZnBan game;
    ZnFlags flags;
};

TEST_F(BoardPictureTest, BoardRectangleOutlineAndBackground) {
    const QImage &image = drawBoard();
    const QRgb button = QGuiApplication::palette().color(QPalette::Button).rgb();
    const QRgb board = rgb(BoardColour);
    EXPECT_EQ(board, qRgb(228, 175, 14));
    for (QPoint p : {QPoint(4, 40), QPoint(323, 40), QPoint(4, 359), QPoint(323, 359), QPoint(100, 40),
                     QPoint(4, 200), QPoint(323, 200), QPoint(100, 359)})
        EXPECT_EQ(image.pixel(p), qRgb(0, 0, 0)) << p.x() << "," << p.y();
    for (QPoint p : {QPoint(5, 41), QPoint(322, 358), QPoint(10, 200), QPoint(315, 50)})
        EXPECT_EQ(image.pixel(p), board) << p.x() << "," << p.y();
    for (QPoint p : {QPoint(3, 40), QPoint(324, 100), QPoint(100, 360), QPoint(100, 39), QPoint(351, 361),
                     QPoint(0, 0), QPoint(340, 45)})
        EXPECT_EQ(image.pixel(p), button) << p.x() << "," << p.y();
}

TEST_F(BoardPictureTest, GridLinesEndBeforeTheirEndPoints) {
    setUpPosition(game, {});
    const QImage &image = drawBoard();
    const QRgb board = rgb(BoardColour);
    const QRgb black = qRgb(0, 0, 0);
    for (int i = 0; i <= 9; ++i) {
        SCOPED_TRACE(i);
        const int y = 56 + 32 * i, x = 20 + 32 * i;
        // Horizontal line i covers x = 20..307; x = 308 is black only where the last vertical line
        // (y = 56..343) crosses it.
        EXPECT_EQ(image.pixel(20, y), black);
        EXPECT_EQ(image.pixel(307, y), black);
        EXPECT_EQ(image.pixel(19, y), board);
        EXPECT_EQ(image.pixel(308, y), i < 9 ? black : board);
        // Vertical line i covers y = 56..343.
        EXPECT_EQ(image.pixel(x, 56), black);
        EXPECT_EQ(image.pixel(x, 343), black);
        EXPECT_EQ(image.pixel(x, 55), board);
        EXPECT_EQ(image.pixel(x, 344), i < 9 ? black : board);
    }
    // Nothing but the lines: every square's inside is plain board colour.
    for (int square = 0; square < SQUARE_COUNT; ++square)
        EXPECT_EQ(countIn(image, squareInside(square), [&](QRgb p) { return p == board; }), 31 * 31)
            << square;
}

TEST_F(BoardPictureTest, FileAndRankLabelsOnTheLightColour) {
    const QImage &image = drawBoard();
    const QRgb light = QGuiApplication::palette().color(QPalette::Light).rgb();
    for (int i = 0; i < 9; ++i) {
        SCOPED_TRACE(i);
        const QRect file(292 - 32 * i, 24, 14, 14), rank(334, 72 + 32 * i, 14, 14);
        EXPECT_GT(darkIn(image, file), 5);
        EXPECT_GT(darkIn(image, rank), 5);
        EXPECT_EQ(image.pixel(file.topLeft()), light);
        EXPECT_EQ(image.pixel(rank.topLeft()), light);
        EXPECT_EQ(darkIn(image, QRect(file.left() - 4, 24, 4, 14)), 0);
    }
    // "１" is a single stroke, "９" is not: the right-hand label has less ink than the left-hand.
    EXPECT_LT(darkIn(image, QRect(292, 24, 14, 14)), darkIn(image, QRect(36, 24, 14, 14)));
}

TEST_F(BoardPictureTest, StartingPositionGoteTurnedAboveLeftSenteBelowRight) {
    const QImage &image = drawBoard();
    for (int square = 0; square < SQUARE_COUNT; ++square) {
        SCOPED_TRACE(square);
        const int left = squareLeft(square), top = squareTop(square);
        const Koma *piece = game.pieceAt(static_cast<Square>(square));
        const QRect inside = squareInside(square);
        if (piece == nullptr) {
            EXPECT_EQ(darkIn(image, inside), 0);
            continue;
        }
        EXPECT_EQ(rowOf(square) <= 2, piece->side() == GOTE);
        // The 14-pixel cell starts at the reference point (L + 8, T + 8) and extends right and
        // down for sente; for gote it ends at (L + 24, T + 24). Ink may overhang the cell by one.
        const QRect cell =
            piece->side() == SENTE ? QRect(left + 8, top + 8, 14, 14) : QRect(left + 10, top + 10, 14, 14);
        EXPECT_GT(darkIn(image, cell), 15);
        EXPECT_EQ(darkOutside(image, inside, cell.adjusted(-1, -1, 1, 1)), 0);
    }
    // Each gote piece's ink is where sente's ink of the same kind lands when turned about the
    // reference point: (L + 8, T + 8) for sente maps to (L + 24, T + 24) for gote. Drawn upright
    // and merely moved, the ink would sit two or three pixels higher.
    const std::pair<int, int> sameKind[] = {{54, 18}, {72, 0}, {73, 1},  {74, 2},
                                            {75, 3},  {76, 4}, {64, 16}, {70, 10}};
    for (auto [sente, gote] : sameKind) {
        const QRect senteInk = inkBounds(image, squareInside(sente));
        const QRect goteInk = inkBounds(image, squareInside(gote));
        const QRect expected = turnedAbout(senteInk, {squareLeft(sente) + 8, squareTop(sente) + 8},
                                           {squareLeft(gote) + 24, squareTop(gote) + 24});
        EXPECT_TRUE(closeTo(goteInk, expected, 1)) << "squares " << sente << " and " << gote;
    }
}

TEST_F(BoardPictureTest, SelectedGlyphIsWhiteUntilTheSelectionEnds) {
    flags.SelectSquare(60);
    const QImage &selected = drawBoard();
    for (int square = 0; square < SQUARE_COUNT; ++square)
        EXPECT_EQ(countIn(selected, squareInside(square), isWhitish) > 10, square == 60) << square;
    // The box behind the white glyph is still the board colour.
    EXPECT_EQ(selected.pixel(squareLeft(60) + 8, squareTop(60) + 8), rgb(BoardColour));

    flags.clearSquareSelection();
    const QImage &plain = drawBoard();
    EXPECT_EQ(countIn(plain, squareInside(60), isWhitish), 0);
    EXPECT_GT(darkIn(plain, squareInside(60)), 15);
}

TEST_F(BoardPictureTest, MarkedPromotedPiecesAreTwoSmallGlyphs) {
    struct Case {
        Side side;
        QRect mark, glyph;  // 12-pixel cells
    };
    // Square 40 has its top-left corner at (148, 184).
    const Case cases[] = {
        {SENTE, QRect(152, 188, 12, 12), QRect(164, 200, 12, 12)},
        {GOTE, QRect(148 + 28 - 12, 184 + 28 - 12, 12, 12), QRect(148 + 16 - 12, 184 + 16 - 12, 12, 12)},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.side);
        setUpPosition(game, {{SILVER + PROMOTED_OFFSET, 40, c.side}});
        const QImage &image = drawBoard();
        const int mark = darkIn(image, c.mark), glyph = darkIn(image, c.glyph);
        EXPECT_GT(mark, 10);
        EXPECT_GT(glyph, 10);
        EXPECT_EQ(darkIn(image, squareInside(40)), mark + glyph);
        // 銀 has more strokes than 成.
        EXPECT_GT(glyph, mark);
    }
}

TEST_F(BoardPictureTest, PromotedRookIsOneGlyphDifferentFromTheRook) {
    setUpPosition(game, {{ROOK + PROMOTED_OFFSET, 40, SENTE}});
    const QRect cell(156, 192, 14, 14);
    const QImage dragonImage = drawBoard();
    EXPECT_GT(darkIn(dragonImage, cell), 15);
    EXPECT_EQ(darkOutside(dragonImage, squareInside(40), cell.adjusted(-1, -1, 1, 1)), 0);

    setUpPosition(game, {{ROOK, 40, SENTE}});
    const QImage &rookImage = drawBoard();
    EXPECT_GT(mismatch(inkOf(dragonImage, cell), inkOf(rookImage, cell)), 0.3);
}

class StandPictureTest : public BoardPictureTest {
protected:
    QImage &drawStand(Side side) {
        QImage &image = flags.image();
        image.fill(Qt::white);
        ClearStandImage(image);
        DrawStand(image, fonts(), game, side, flags);
        return image;
    }
    static QRect slotCell(Side side, int slot) {
        return side == SENTE ? QRect(8, 8 + 20 * slot, 14, 14) : QRect(10, 352 - 20 * slot - 14, 14, 14);
    }
};

TEST_F(StandPictureTest, ClearedStandIsAnOutlinedBoardColouredStrip) {
    setUpPosition(game, {});
    const QImage &image = drawStand(SENTE);
    const QRgb board = rgb(BoardColour);
    for (QPoint p :
         {QPoint(0, 0), QPoint(31, 0), QPoint(0, 359), QPoint(31, 359), QPoint(16, 0), QPoint(31, 200)})
        EXPECT_EQ(image.pixel(p), qRgb(0, 0, 0)) << p.x() << "," << p.y();
    EXPECT_EQ(image.pixel(1, 1), board);
    EXPECT_EQ(image.pixel(30, 358), board);
    EXPECT_EQ(image.pixel(32, 100), qRgb(255, 255, 255));
    EXPECT_EQ(image.pixel(10, 360), qRgb(255, 255, 255));
}

TEST_F(StandPictureTest, SenteSlotsGrowDownwardGoteSlotsUpward) {
    setUpPosition(game, {{GOLD, IN_HAND, SENTE},
                         {SILVER, IN_HAND, SENTE},
                         {PAWN, IN_HAND, SENTE},
                         {GOLD, IN_HAND, GOTE},
                         {SILVER, IN_HAND, GOTE},
                         {PAWN, IN_HAND, GOTE}});
    for (Side side : {SENTE, GOTE}) {
        SCOPED_TRACE(side);
        const QImage &image = drawStand(side);
        const QRect stand(1, 1, 30, 358);
        int inside = 0;
        for (int slot = 0; slot < 3; ++slot) {
            EXPECT_GT(darkIn(image, slotCell(side, slot)), 15) << slot;
            inside += darkIn(image, slotCell(side, slot));
        }
        EXPECT_EQ(darkIn(image, stand), inside);
    }
    // Gote's hand is drawn turned: its ink lies where sente's lands when turned about the slot's
    // reference point.
    for (int slot = 0; slot < 3; ++slot) {
        const QRect senteInk = inkBounds(drawStand(SENTE), slotCell(SENTE, slot).adjusted(-1, -1, 1, 1));
        const QRect goteInk = inkBounds(drawStand(GOTE), slotCell(GOTE, slot).adjusted(-1, -1, 1, 1));
        EXPECT_TRUE(closeTo(goteInk, turnedAbout(senteInk, {8, 8 + 20 * slot}, {24, 352 - 20 * slot}), 1))
            << slot;
    }
}

TEST_F(StandPictureTest, HandIsSortedByTheDrawingPawnThenRookGivesRookFirst) {
    // References: a rook alone and a pawn alone at slot 0.
    setUpPosition(game, {{ROOK, IN_HAND, SENTE}});
    const Ink rook = inkOf(drawStand(SENTE), slotCell(SENTE, 0));
    setUpPosition(game, {{PAWN, IN_HAND, SENTE}});
    const Ink pawn = inkOf(drawStand(SENTE), slotCell(SENTE, 0));

    // Sente's rook takes a pawn, gote's king steps, sente's rook takes gote's rook.
    setUpPosition(game, {{ROOK, 40, SENTE}, {PAWN, 31, GOTE}, {ROOK, 4, GOTE}, {KING, 72, GOTE}});
    ASSERT_TRUE(game.play({40, 31, false}));
    ASSERT_TRUE(game.play({72, 63, false}));
    ASSERT_TRUE(game.play({31, 4, false}));
    ASSERT_EQ(game.hand(SENTE).size(), 2);
    ASSERT_EQ(game.hand(SENTE)[0]->kind(), PAWN);

    const QImage &image = drawStand(SENTE);
    EXPECT_EQ(game.hand(SENTE)[0]->kind(), ROOK);
    EXPECT_EQ(game.hand(SENTE)[1]->kind(), PAWN);
    EXPECT_EQ(mismatch(inkOf(image, slotCell(SENTE, 0)), rook), 0.0);
    EXPECT_EQ(mismatch(inkOf(image, slotCell(SENTE, 1)), pawn), 0.0);
}

TEST_F(StandPictureTest, OnlyTheStandOfTheSideToMoveShowsTheSelectedSlot) {
    const std::vector<Placement> hands = {{PAWN, IN_HAND, SENTE}, {PAWN, IN_HAND, SENTE},
                                          {PAWN, IN_HAND, SENTE}, {PAWN, IN_HAND, GOTE},
                                          {PAWN, IN_HAND, GOTE},  {PAWN, IN_HAND, GOTE}};
    for (Side toMove : {SENTE, GOTE}) {
        setUpPosition(game, hands, toMove);
        flags.SelectHand(2);
        for (Side side : {SENTE, GOTE}) {
            const QImage &image = drawStand(side);
            for (int slot = 0; slot < 3; ++slot)
                EXPECT_EQ(countIn(image, slotCell(side, slot), isWhitish) > 10, side == toMove && slot == 2)
                    << "to move " << int(toMove) << " stand " << int(side) << " slot " << slot;
        }
    }
}

TEST_F(BoardPictureTest, SharpAtDoubleRatioInTheSameLogicalPlaces) {
    QImage &image = flags.image(2.0);
    DrawBoardBase(image, fonts(), game, AttackDisplay::None);
    DrawBoardPieces(image, fonts(), game, flags);
    // Each logical pixel of the outline and the grid is a 2 x 2 block of device pixels.
    for (QPoint p : {QPoint(8, 80), QPoint(9, 81), QPoint(646, 718), QPoint(647, 719), QPoint(40, 112),
                     QPoint(41, 113), QPoint(614, 113), QPoint(615, 112)})
        EXPECT_EQ(image.pixel(p), qRgb(0, 0, 0)) << p.x() << "," << p.y();
    for (QPoint p : {QPoint(10, 82), QPoint(645, 717), QPoint(39, 114), QPoint(42, 114), QPoint(38, 112)})
        EXPECT_EQ(image.pixel(p), rgb(BoardColour)) << p.x() << "," << p.y();
    // Sente's pawn on square 54 has its ink in the doubled cell.
    const QRect cell(2 * (squareLeft(54) + 8), 2 * (squareTop(54) + 8), 28, 28);
    EXPECT_GT(darkIn(image, cell), 60);
    EXPECT_EQ(darkOutside(image, QRect(2 * squareLeft(54) + 2, 2 * squareTop(54) + 2, 60, 60),
                          cell.adjusted(-2, -2, 2, 2)),
              0);
}

}  // namespace
