// The board layers read back from the board picture: counts, attacker lines, exchange frames, the
// last move and the preview, each on positions chosen so that a misplaced mark shows.

#include "ui/layers.h"

#include <gtest/gtest.h>

#include <QRect>
#include <random>
#include <vector>

#include "common/testing.h"
#include "core/exchange.h"
#include "ui/render.h"
#include "ui/znflags.h"

namespace {

int squareLeft(int square) { return 276 - 32 * columnOf(square); }
int squareTop(int square) { return 56 + 32 * rowOf(square); }
QPoint centre(int square) { return {squareLeft(square) + 16, squareTop(square) + 16}; }

// Whether any pixel within one pixel of `at` has `colour`: a sloping line may pass a pixel aside.
bool colourNear(const QImage &image, QPoint at, QRgb colour) {
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx)
            if (image.pixel(at.x() + dx, at.y() + dy) == colour) return true;
    return false;
}

constexpr AttackDisplay kEveryAttackDisplay[] = {AttackDisplay::None, AttackDisplay::Balance,
                                                 AttackDisplay::Concentration};

// The pixels of `box` in `image` at ratio 1, as an image of their own.
QImage region(const QImage &image, const QRect &box) { return image.copy(box); }

class LayersTest : public ::testing::Test {
protected:
    void SetUp() override { installFontSubstitutes(); }

    // The board as the window draws it, layers included.
    QImage layered(AttackDisplay mode) {
        QImage &image = flags.image();
        layers.drawBoard(image, game, flags, DisplaySettings{mode, settings, {}, 100});
        return image.copy();
    }

    // The board as drawn before there were layers.
    QImage plain(AttackDisplay mode) {
        QImage &image = flags.image();
        DrawBoardBase(image, fonts(), game, mode);
        DrawBoardPieces(image, fonts(), game, flags);
        return image.copy();
    }

    void playRandomGame(unsigned seed, int plies) {
        std::mt19937 random(seed);
        for (int ply = 0; ply < plies && playRandomMove(game, random); ++ply) {
        }
    }

    // The fonts the layered picture is drawn with, for the plain one beside it.
    const BoardFonts &fonts() const { return layers.fonts(); }

    ZnBan game;
    ZnFlags flags;
    BoardLayers layers;
    LayerSettings settings;
};

// ---- everything off ----

TEST_F(LayersTest, WithEveryLayerOffThePictureIsThePlainOne) {
    playRandomGame(3, 70);
    flags.SelectSquare(game.piecesOnBoard(game.turn()).front()->square());
    for (int hovered : {-1, 0, 40, 80}) {
        layers.setHoveredSquare(hovered);
        for (AttackDisplay mode : kEveryAttackDisplay) EXPECT_EQ(layered(mode), plain(mode)) << int(mode) << " " << hovered;
    }
}

// ---- counts ----

// Every pixel the counts change lies in the box of a count that is not zero, and each such box
// shows that count's picture: sente's in its bottom-left corner, gote's in its top-right one.
TEST_F(LayersTest, CountsChangeOnlyTheirOwnBoxes) {
    for (unsigned seed : {1u, 2u}) {
        game.newGame();
        playRandomGame(seed, 50);
        settings.counts = true;
        for (AttackDisplay mode : kEveryAttackDisplay) {
            SCOPED_TRACE(int(mode));
            const QImage with = layered(mode), without = plain(mode);
            QImage expected = without;
            int boxes = 0;
            for (int square = 0; square < SQUARE_COUNT; ++square) {
                for (Side side : {SENTE, GOTE}) {
                    const int count = game.attackCount(side, static_cast<Square>(square));
                    if (count == 0) continue;
                    const QRect box = countBox(side, static_cast<Square>(square));
                    EXPECT_EQ(region(with, box), countPicture(side, count, 1.0))
                        << square << " " << int(side);
                    QPainter painter(&expected);
                    painter.drawImage(box.topLeft(), countPicture(side, count, 1.0));
                    ++boxes;
                }
            }
            EXPECT_GT(boxes, 20);
            EXPECT_EQ(with, expected);
        }
    }
}

// Digits are smoothed by the font engine: their ink is read as pixels much nearer the side's
// colour than the box behind them.
bool inkOf(Side side, QRgb pixel) {
    if (side == SENTE) return qBlue(pixel) > 150 && qRed(pixel) < 120 && qGreen(pixel) < 120;
    return qRed(pixel) > 120 && qGreen(pixel) < 80 && qBlue(pixel) < 80;
}

TEST_F(LayersTest, CountPicturesShowTheirNumberInTheSidesColour) {
    for (Side side : {SENTE, GOTE}) {
        std::vector<QImage> seen;
        for (int count = 1; count <= 12; ++count) {
            const QImage picture = countPicture(side, count, 1.0);
            int inked = 0, otherInk = 0;
            for (int y = 0; y < picture.height(); ++y) {
                for (int x = 0; x < picture.width(); ++x) {
                    inked += inkOf(side, picture.pixel(x, y));
                    otherInk += inkOf(otherSide(side), picture.pixel(x, y));
                }
            }
            EXPECT_EQ(otherInk, 0) << count;
            EXPECT_GT(inked, 4) << count;
            for (const QImage &other : seen) EXPECT_NE(picture, other) << count;
            seen.push_back(picture);
        }
    }
}

// Every glyph layout, plain or with its promotion mark, either side: a picture of the pieces
// alone over a plain green never reaches a count box.
TEST_F(LayersTest, CountBoxesMissEveryGlyph) {
    const QRgb green = qRgb(0, 255, 0);
    for (PieceCode code = 0; code < CODE_COUNT; ++code) {
        if (code == KING + PROMOTED_OFFSET || code == GOLD + PROMOTED_OFFSET) continue;  // no such pieces
        for (Side side : {SENTE, GOTE}) {
            game.clearPieces();
            game.resetBoard();
            auto piece = makeKoma(baseKindOf(code), 40, side);
            piece->setPromoted(isPromotedCode(code));
            ASSERT_TRUE(game.placePiece(std::move(piece)));
            QImage &image = flags.image();
            image.fill(green);
            DrawBoardPieces(image, fonts(), game, flags);
            int glyphPixels = 0;
            for (int y = squareTop(40); y < squareTop(40) + 32; ++y)
                for (int x = squareLeft(40); x < squareLeft(40) + 32; ++x)
                    glyphPixels += image.pixel(x, y) != green;
            EXPECT_GT(glyphPixels, 100) << int(code);
            for (Side countSide : {SENTE, GOTE}) {
                const QRect box = countBox(countSide, 40);
                for (int y = box.top(); y <= box.bottom(); ++y)
                    for (int x = box.left(); x <= box.right(); ++x)
                        ASSERT_EQ(image.pixel(x, y), green) << "code " << int(code) << " side " << int(side);
            }
        }
    }
}

// ---- attacker lines ----

TEST_F(LayersTest, LinesRunFromEveryAttackerOfTheSquareUnderTheMouse) {
    // 5e is attacked by sente's rook from 5i, gold on 4f and knight on 6g, and by gote's bishop
    // from 8b; sente's silver on 1i and the pawns in hand attack nothing there.
    setUpPosition(game, {{ROOK, sq(5, 9), SENTE},
                         {GOLD, sq(4, 6), SENTE},
                         {KNIGHT, sq(6, 7), SENTE},
                         {BISHOP, sq(8, 2), GOTE},
                         {SILVER, sq(1, 9), SENTE},
                         {PAWN, IN_HAND, SENTE},
                         {PAWN, IN_HAND, GOTE}});
    const Square target = sq(5, 5);
    ASSERT_EQ(game.attackCount(SENTE, target), 3);
    ASSERT_EQ(game.attackCount(GOTE, target), 1);
    settings.attackers = true;
    layers.setHoveredSquare(target);
    for (AttackDisplay mode : kEveryAttackDisplay) {
        SCOPED_TRACE(int(mode));
        const QImage image = layered(mode);
        const QRgb blue = SenteLineColour.rgb(), red = GoteLineColour.rgb();
        for (Square from : {sq(5, 9), sq(4, 6), sq(6, 7)}) {
            const QPoint middle = (centre(from) + centre(target)) / 2;
            EXPECT_TRUE(colourNear(image, middle, blue)) << int(from);
            EXPECT_FALSE(colourNear(image, middle, red)) << int(from);
        }
        const QPoint gote = (centre(sq(8, 2)) + centre(target)) / 2;
        EXPECT_TRUE(colourNear(image, gote, red));
        EXPECT_FALSE(colourNear(image, (centre(sq(1, 9)) + centre(target)) / 2, blue));
    }
    // Off the board, or with the layer off, no line is left.
    layers.setHoveredSquare(-1);
    EXPECT_EQ(layered(AttackDisplay::Balance), plain(AttackDisplay::Balance));
    layers.setHoveredSquare(target);
    settings.attackers = false;
    EXPECT_EQ(layered(AttackDisplay::Balance), plain(AttackDisplay::Balance));
}

TEST_F(LayersTest, SquareNobodyAttacksGetsNoLine) {
    settings.attackers = true;
    layers.setHoveredSquare(sq(5, 5));  // row 4 of the starting position
    EXPECT_EQ(layered(AttackDisplay::None), plain(AttackDisplay::None));
    layers.setHoveredSquare(sq(5, 6));  // one sente pawn attacks it
    EXPECT_NE(layered(AttackDisplay::None), plain(AttackDisplay::None));
}

// ---- exchange frames ----

bool exchangeFramed(const QImage &image, int square) {
    const int left = squareLeft(square), top = squareTop(square);
    const QRgb magenta = ExchangeFrameColour.rgb();
    for (int d : {2, 3})
        if (image.pixel(left + d, top + 16) != magenta || image.pixel(left + 31 - d, top + 16) != magenta ||
            image.pixel(left + 16, top + d) != magenta || image.pixel(left + 16, top + 31 - d) != magenta)
            return false;
    return true;
}

TEST_F(LayersTest, ExchangeFramesMarkExactlyThePiecesThatLose) {
    // Gote's rook on 5e, defended by its gold, loses to sente's pawn; the gold and the pawn do
    // not lose; gote's undefended silver on 2c loses to sente's lance; sente's knight on 8g is out
    // of reach.
    setUpPosition(game, {{ROOK, sq(5, 5), GOTE},
                         {GOLD, sq(5, 4), GOTE},
                         {PAWN, sq(5, 6), SENTE},
                         {SILVER, sq(2, 3), GOTE},
                         {LANCE, sq(2, 9), SENTE},
                         {KNIGHT, sq(8, 7), SENTE}});
    settings.exchange = true;
    for (AttackDisplay mode : kEveryAttackDisplay) {
        SCOPED_TRACE(int(mode));
        const QImage image = layered(mode);
        for (int square = 0; square < SQUARE_COUNT; ++square) {
            const bool loses = losesExchange(game, static_cast<Square>(square));
            EXPECT_EQ(exchangeFramed(image, square), loses) << square;
        }
        EXPECT_TRUE(exchangeFramed(image, sq(5, 5)));
        EXPECT_TRUE(exchangeFramed(image, sq(2, 3)));
        EXPECT_FALSE(exchangeFramed(image, sq(5, 4)));
    }
    // In balance mode the specified yellow frame stays beside the new one, on its own pixels.
    const QImage image = layered(AttackDisplay::Balance);
    const int left = squareLeft(sq(2, 3)), y = squareTop(sq(2, 3)) + 16;
    EXPECT_EQ(image.pixel(left, y), qRgb(255, 255, 0));
    EXPECT_EQ(image.pixel(left + 1, y), qRgb(255, 255, 0));
    EXPECT_EQ(image.pixel(left + 2, y), ExchangeFrameColour.rgb());
}

// ---- last move ----

bool lastMoveFramed(const QImage &image, int square) {
    const int left = squareLeft(square), top = squareTop(square);
    const QRgb white = LastMoveFrameColour.rgb();
    for (int d : {-1, 0})
        if (image.pixel(left + d, top + 16) != white || image.pixel(left + 32 + d, top + 16) != white ||
            image.pixel(left + 16, top + d) != white || image.pixel(left + 16, top + 32 + d) != white)
            return false;
    return true;
}

int framedSquares(const QImage &image, bool (*framed)(const QImage &, int)) {
    int count = 0;
    for (int square = 0; square < SQUARE_COUNT; ++square) count += framed(image, square);
    return count;
}

TEST_F(LayersTest, LastMoveFramesTheDestinationOfTheMoveBeforeTheCount) {
    settings.lastMove = true;
    EXPECT_EQ(framedSquares(layered(AttackDisplay::None), lastMoveFramed), 0);
    ASSERT_TRUE(game.play({sq(7, 7), sq(7, 6), false}));
    ASSERT_TRUE(game.play({sq(3, 3), sq(3, 4), false}));
    for (AttackDisplay mode : kEveryAttackDisplay) {
        const QImage image = layered(mode);
        EXPECT_TRUE(lastMoveFramed(image, sq(3, 4))) << int(mode);
        EXPECT_EQ(framedSquares(image, lastMoveFramed), 1) << int(mode);
    }
    // A game walked back through its record keeps the later moves: the frame follows the count.
    game.setReplaying(true);
    ASSERT_TRUE(game.undoMove());
    EXPECT_TRUE(lastMoveFramed(layered(AttackDisplay::None), sq(7, 6)));
    ASSERT_TRUE(game.undoMove());
    EXPECT_EQ(framedSquares(layered(AttackDisplay::None), lastMoveFramed), 0);
    ASSERT_TRUE(game.redoMove());
    EXPECT_TRUE(lastMoveFramed(layered(AttackDisplay::None), sq(7, 6)));
    game.setReplaying(false);
}

// ---- preview ----

// The preview draws the position after the move, overlay, layers, pieces and hands alike, with the
// moved piece faint and a faint outline on the destination.
TEST_F(LayersTest, PreviewShowsThePositionAfterTheMoveWithThePieceFaint) {
    playRandomGame(7, 100);
    const std::string key = positionKey(game);
    const auto counts = attackCounts(game);
    std::vector<Move> moves;
    generateMoves(game, moves);
    settings.preview = true;
    settings.counts = true;
    CountPictures countPictures;
    int previews = 0;
    for (const Move &move : moves) {
        if (move.promote) continue;
        if (move.from == IN_HAND) {
            flags.Reset();
            int slot = 0;
            game.hand(game.turn()).sortByKind();
            while (game.hand(game.turn())[slot]->kind() != move.dropKind) ++slot;
            flags.SelectHand(slot);
        } else {
            flags.SelectSquare(move.from);
        }
        layers.setHoveredSquare(move.to);
        const QImage shown = layered(AttackDisplay::Balance);
        EXPECT_TRUE(layers.previewShown());
        ZnBan after;
        copyPosition(game, after);
        ASSERT_TRUE(applyMove(after, move));
        QImage &expected = flags.image();
        DrawBoardBase(expected, fonts(), after, AttackDisplay::Balance);
        DrawPreviewPieces(expected, fonts(), after, move.to);
        DrawBoardLayers(expected, countPictures, after, settings, move.to);
        DrawPreviewOutline(expected, move.to);
        EXPECT_EQ(shown, expected) << int(move.from) << "-" << int(move.to);
        for (Side side : {SENTE, GOTE}) {
            ClearStandImage(expected);
            layers.drawStand(expected, game, side, flags, BoardView{});
            const QImage previewStand = expected.copy();
            ClearStandImage(expected);
            DrawStand(expected, fonts(), after, side, ZnFlags());
            EXPECT_EQ(previewStand, expected) << "stand " << int(side);
        }
        ++previews;
    }
    EXPECT_GT(previews, 10);
    EXPECT_EQ(positionKey(game), key);
    EXPECT_EQ(attackCounts(game), counts);
    EXPECT_EQ(findInconsistency(game), "");
}

TEST_F(LayersTest, NoPreviewWithoutASelectionOrOnAnIllegalSquare) {
    settings.preview = true;
    layers.setHoveredSquare(sq(7, 6));
    EXPECT_EQ(layered(AttackDisplay::Balance), plain(AttackDisplay::Balance));  // nothing selected
    flags.SelectSquare(sq(7, 7));
    layers.setHoveredSquare(sq(7, 5));  // two squares ahead of a pawn
    EXPECT_EQ(layered(AttackDisplay::Balance), plain(AttackDisplay::Balance));
    EXPECT_FALSE(layers.previewShown());
    layers.setHoveredSquare(sq(7, 6));
    EXPECT_NE(layered(AttackDisplay::Balance), plain(AttackDisplay::Balance));
    EXPECT_TRUE(layers.previewShown());
}

}  // namespace
