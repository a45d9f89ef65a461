// The board layers in the real window: the 表示 items, the mouse over the board, a preview that
// leaves the game exactly as it was, and the two display mends (the move label, キャンセル).

#include <gtest/gtest.h>

#include <QAction>
#include <QFontMetrics>
#include <QLabel>
#include <QTest>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "common/testing.h"
#include "record/record.h"
#include "ui/mainform.h"
#include "ui/paintbox.h"
#include "ui/znflags.h"
#include "ui_testing.h"

namespace {

std::string savedBytes(ZnBan &game) {
    std::ostringstream out;
    EXPECT_TRUE(saveRecord(game, out).ok);
    return out.str();
}

// Every field of every history record, in one comparable list.
std::vector<std::string> historyOf(const ZnBan &game) {
    std::vector<std::string> records;
    for (const MoveHistory &r : game.history())
        records.push_back(std::to_string(r.from) + ">" + std::to_string(r.to) + " " +
                          std::to_string(reinterpret_cast<std::uintptr_t>(r.piece)) + " " +
                          std::to_string(r.promoted) + " " +
                          std::to_string(reinterpret_cast<std::uintptr_t>(r.captured)) + " " +
                          std::to_string(r.capturedWasPromoted));
    return records;
}

// Whether `preview` is `real` but round the destination `to`, where it is lighter somewhere, never darker.
::testing::AssertionResult looksLikeAfterTheMove(const QImage &preview, const QImage &real, Square to) {
    const QRect box(276 - 32 * columnOf(to) - 1, 56 + 32 * rowOf(to) - 1, 35, 35);
    int lighter = 0;
    for (int y = 0; y < real.height(); ++y)
        for (int x = 0; x < real.width(); ++x) {
            const QRgb shown = preview.pixel(x, y), made = real.pixel(x, y);
            if (shown == made) continue;
            if (!box.contains(x, y) || qGray(shown) < qGray(made))
                return ::testing::AssertionFailure() << "at " << x << "," << y;
            ++lighter;
        }
    return lighter > 0 ? ::testing::AssertionSuccess() : ::testing::AssertionFailure() << "no faint piece";
}

class LayersWindowTest : public ShownWindowTest {
protected:
    QImage picture() { return ban()->picture(); }
    void toggle(const char *item) { child<QAction>(item)->trigger(); }
    void press(QPoint point) { QTest::mouseClick(ban(), Qt::LeftButton, Qt::NoModifier, point); }
    void hover(QPoint point) { QTest::mouseMove(ban(), point); }
    void hoverSquare(Square square) { hover(squareCentre(columnOf(square) + 1, rowOf(square) + 1)); }
    // Off the grid but still over the board's paint box.
    void hoverOffTheGrid() { hover(QPoint(340, 20)); }
};

TEST_F(LayersWindowTest, EachLayerItemRedrawsAtOnceAndOffRestoresThePicture) {
    // Gote's undefended rook on 5e stands in front of sente's pawn.
    setUpPosition(
        window->game(),
        {{KING, sq(5, 9), SENTE}, {PAWN, sq(5, 6), SENTE}, {ROOK, sq(5, 5), GOTE}, {KING, sq(5, 1), GOTE}});
    window->RedrawAll();
    const QImage plain = picture();
    for (const char *item : {"KC1", "KX1"}) {
        SCOPED_TRACE(item);
        toggle(item);
        EXPECT_TRUE(child<QAction>(item)->isChecked());
        EXPECT_NE(picture(), plain);
        toggle(item);
        EXPECT_EQ(picture(), plain);
    }
    // No move yet, nothing selected, no mouse: these change nothing until there is something to show.
    for (const char *item : {"KM1", "KP1", "KL1"}) {
        toggle(item);
        EXPECT_EQ(picture(), plain) << item;
    }
    press(squareCentre(5, 6));
    press(squareCentre(5, 5));
    ASSERT_EQ(window->game().moveCount(), 1);
    const QImage afterMove = picture();
    toggle("KM1");
    EXPECT_NE(picture(), afterMove);
    toggle("KM1");
    EXPECT_EQ(picture(), afterMove);
}

TEST_F(LayersWindowTest, HoveringDrawsAttackerLinesAndLeavingRemovesThem) {
    toggle("KL1");
    hoverOffTheGrid();
    const QImage plain = picture();
    window->SetStatusText(QStringLiteral("そのまま"));
    hoverSquare(sq(7, 6));  // attacked by sente's pawn below it
    const QImage lines = picture();
    EXPECT_NE(lines, plain);
    hoverSquare(sq(5, 5));  // nobody attacks row 5 of the starting position
    EXPECT_EQ(picture(), plain);
    hoverSquare(sq(7, 6));
    EXPECT_EQ(picture(), lines);
    hoverOffTheGrid();
    EXPECT_EQ(picture(), plain);
    // Following the mouse redraws the board only: the status text stays.
    EXPECT_EQ(window->statusText(), QStringLiteral("そのまま"));
    // With the layer off the mouse changes nothing.
    toggle("KL1");
    hoverSquare(sq(7, 6));
    EXPECT_EQ(picture(), plain);
}

// Hundreds of previews of moves and drops over a game with captures: the game keeps its position,
// history, attack maps and saved bytes, and stays consistent.
TEST_F(LayersWindowTest, PreviewsLeaveTheGameIdentical) {
    ZnBan &game = window->game();
    std::mt19937 random(5);
    for (int ply = 0; ply < 90 && playRandomMove(game, random); ++ply) {
    }
    ASSERT_GT(game.hand(SENTE).size() + game.hand(GOTE).size(), 0);
    window->RedrawAll();
    const std::string key = positionKey(game);
    const auto counts = attackCounts(game);
    const auto history = historyOf(game);
    const std::string bytes = savedBytes(game);
    for (const char *item : {"KC1", "KL1", "KX1", "KP1", "KM1"}) toggle(item);

    int changed = 0;
    auto hoverEverySquare = [&] {
        hoverOffTheGrid();
        const QImage idle = picture();
        for (int square = 0; square < SQUARE_COUNT; ++square) {
            hoverSquare(static_cast<Square>(square));
            changed += picture() != idle;
        }
    };
    for (const Koma *piece : std::vector<Koma *>(game.piecesOnBoard(game.turn()))) {
        hoverOffTheGrid();
        press(squareCentre(columnOf(piece->square()) + 1, rowOf(piece->square()) + 1));
        ASSERT_TRUE(window->selection().squareSelected());
        hoverEverySquare();
    }
    TPaintBox *stand = child<TPaintBox>(game.turn() == SENTE ? "Dai0" : "Dai1");
    for (int slot = 0; slot < game.hand(game.turn()).size(); ++slot) {
        QTest::mouseClick(stand, Qt::LeftButton, Qt::NoModifier,
                          QPoint(16, game.turn() == SENTE ? 8 + 20 * slot + 10 : 352 - 20 * slot - 10));
        ASSERT_TRUE(window->selection().handSelected());
        hoverEverySquare();
    }
    EXPECT_GT(changed, 100);
    EXPECT_EQ(findInconsistency(game), "");
    EXPECT_EQ(positionKey(game), key);
    EXPECT_EQ(attackCounts(game), counts);
    EXPECT_EQ(historyOf(game), history);
    EXPECT_EQ(savedBytes(game), bytes);
}

TEST_F(LayersWindowTest, PreviewFollowsTheSelectedPieceOnly) {
    toggle("KP1");
    hoverSquare(sq(7, 6));
    const QImage idle = picture();
    press(squareCentre(7, 7));
    hoverSquare(sq(7, 6));
    const QImage previewed = picture();
    EXPECT_NE(previewed, idle);
    hoverSquare(sq(7, 5));  // not a move of that pawn
    press(squareCentre(7, 6));
    EXPECT_EQ(window->game().moveCount(), 1);
    // The preview was the picture after the move, but for the faint pawn and its outline.
    EXPECT_TRUE(looksLikeAfterTheMove(previewed, picture(), sq(7, 6)));
    // The move made, the selection is gone and with it the preview.
    hoverSquare(sq(3, 4));
    EXPECT_EQ(window->game().moveCount(), 1);
    EXPECT_EQ(findInconsistency(window->game()), "");
}

// ---- display mends ----

// A game of `moves` moves: two rooks stepping to and fro.
void playShuffle(ZnBan &game, int moves) {
    setUpPosition(
        game,
        {{KING, sq(5, 9), SENTE}, {ROOK, sq(2, 8), SENTE}, {KING, sq(5, 1), GOTE}, {ROOK, sq(8, 2), GOTE}});
    for (int i = 0; i < moves; ++i) {
        const int round = i / 2;
        const bool ok =
            i % 2 == 0 ? game.play({round % 2 ? sq(3, 8) : sq(2, 8), round % 2 ? sq(2, 8) : sq(3, 8), false})
                       : game.play({round % 2 ? sq(7, 2) : sq(8, 2), round % 2 ? sq(8, 2) : sq(7, 2), false});
        ASSERT_TRUE(ok) << i;
    }
}

// From move 100 on the label used to lose the end of "手目".
TEST_F(LayersWindowTest, LongMoveNumbersShowWhole) {
    QLabel *label = child<QLabel>("TurnLabel");
    const int fullWidth = QFontMetrics(label->font()).horizontalAdvance(QStringLiteral("先手:1手目"));
    const struct {
        int moveNumber;
        const char *text;
    } rows[] = {{1, "先手:1手目"},         {99, "先手:99手目"},   {100, "後手:100手目"},
                {101, "先手:101手目"},     {999, "先手:999手目"}, {1000, "後手:1000手目"},
                {10000, "後手:10000手目"}, {2, "後手:2手目"}};
    for (const auto &row : rows) {
        SCOPED_TRACE(row.moveNumber);
        playShuffle(window->game(), row.moveNumber - 1);
        window->RedrawAll();
        ASSERT_EQ(label->text(), QString::fromUtf8(row.text));
        EXPECT_LE(QFontMetrics(label->font()).horizontalAdvance(label->text()),
                  label->contentsRect().width());
        EXPECT_EQ(label->font().pixelSize(), 16);
    }
    // A short number again is drawn at full width, not left squeezed.
    EXPECT_EQ(QFontMetrics(label->font()).horizontalAdvance(QStringLiteral("先手:1手目")), fullWidth);
}

}  // namespace
