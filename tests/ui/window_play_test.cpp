// Games entered through the window with real mouse events on the board and the two stands.

#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QTest>
#include <deque>
#include <memory>
#include <vector>

#include "common/testing.h"
#include "pieces/komafukuro.h"
#include "ui/mainform.h"
#include "ui/paintbox.h"
#include "ui/startup.h"
#include "ui/znflags.h"
#include "ui_testing.h"

namespace {

// The square of `file` (1..9, right to left on screen) and `rank` (1..9, top to bottom).
// The centre of that square on Ban.

struct Piece {
    PieceCode code;
    Square square;
    Side side;
};

class WindowPlayTest : public ShownWindowTest {
protected:
    void TearDown() override { EXPECT_TRUE(asker.answers.empty()) << "a scripted answer was not used"; }

    TPaintBox *dai0() { return child<TPaintBox>("Dai0"); }
    TPaintBox *dai1() { return child<TPaintBox>("Dai1"); }
    ZnBan &game() { return window->game(); }
    QString turnLabel() { return child<QLabel>("TurnLabel")->text(); }
    void trigger(const char *item) { child<QAction>(item)->trigger(); }

    void press(QPoint point, Qt::MouseButton button = Qt::LeftButton) {
        QTest::mouseClick(ban(), button, Qt::NoModifier, point);
    }
    void move(int fromFile, int fromRank, int toFile, int toRank) {
        press(squareCentre(fromFile, fromRank));
        press(squareCentre(toFile, toRank));
    }
    void pressStand(TPaintBox *stand, int y, Qt::MouseButton button = Qt::LeftButton) {
        QTest::mouseClick(stand, button, Qt::NoModifier, QPoint(16, y));
    }

    // Replaces the game by the given pieces, taken from a fresh piece set, with `turn` to move.
    void setUp(const std::vector<Piece> &pieces, Side turn) {
        game().clearPieces();
        game().resetBoard();
        KomaFukuro set;
        for (const Piece &piece : pieces)
            game().placePieces(set.takePiece(piece.code, piece.square, piece.side));
        game().addAllAttacks();
        game().setTurn(turn);
        window->selection().Reset();
        window->RedrawAll();
    }

    const Koma *pieceOn(int file, int rank) { return game().pieceAt(sq(file, rank)); }
    bool nothingSelected() { return !window->selection().squareSelected() && !window->selection().handSelected(); }
};

// ---- whole openings ----

TEST_F(WindowPlayTest, OpeningWithBishopExchangeAndDropFromTheStand) {
    for (bool promote : {true, false}) {
        SCOPED_TRACE(promote ? "promoted" : "not promoted");
        trigger("KN1");
        const QImage emptyStand = dai0()->picture();

        move(7, 7, 7, 6);
        EXPECT_EQ(turnLabel(), QStringLiteral("後手:2手目"));
        EXPECT_EQ(window->statusText(), QStringLiteral("後手番です"));
        move(3, 3, 3, 4);
        EXPECT_EQ(turnLabel(), QStringLiteral("先手:3手目"));

        // The bishop takes its counterpart inside the promotion zone: the player is asked.
        asker.answers.push_back(promote);
        asker.asked.clear();
        move(8, 8, 2, 2);
        EXPECT_EQ(asker.asked, QStringList{QStringLiteral("角")});
        ASSERT_NE(pieceOn(2, 2), nullptr);
        EXPECT_EQ(pieceOn(2, 2)->kind(), BISHOP);
        EXPECT_EQ(pieceOn(2, 2)->side(), SENTE);
        EXPECT_EQ(pieceOn(2, 2)->promoted(), promote);
        EXPECT_EQ(pieceOn(8, 8), nullptr);
        ASSERT_EQ(game().hand(SENTE).size(), 1);
        EXPECT_EQ(game().hand(SENTE)[0]->kind(), BISHOP);
        EXPECT_NE(dai0()->picture(), emptyStand);
        EXPECT_EQ(turnLabel(), QStringLiteral("後手:4手目"));

        // The silver takes back without a question: gote's zone is far away.
        move(3, 1, 2, 2);
        EXPECT_EQ(pieceOn(2, 2)->kind(), SILVER);
        EXPECT_EQ(pieceOn(2, 2)->side(), GOTE);
        ASSERT_EQ(game().hand(GOTE).size(), 1);
        EXPECT_FALSE(game().hand(GOTE)[0]->promoted());
        EXPECT_EQ(asker.asked.size(), 1);

        // Sente drops the bishop from its stand in the middle of the board.
        pressStand(dai0(), 18);
        EXPECT_TRUE(window->selection().handSelected());
        EXPECT_EQ(window->selection().handSlot(), 0);
        press(squareCentre(5, 5));
        ASSERT_NE(pieceOn(5, 5), nullptr);
        EXPECT_EQ(pieceOn(5, 5)->kind(), BISHOP);
        EXPECT_FALSE(pieceOn(5, 5)->promoted());
        EXPECT_EQ(game().hand(SENTE).size(), 0);
        EXPECT_TRUE(nothingSelected());
        EXPECT_EQ(dai0()->picture(), emptyStand);
        EXPECT_EQ(turnLabel(), QStringLiteral("後手:6手目"));
        EXPECT_EQ(window->statusText(), QStringLiteral("後手番です"));
    }
}

TEST_F(WindowPlayTest, ForcedPromotionsAreMadeWithoutAQuestion) {
    setUp(
        {{PAWN, sq(1, 2), SENTE}, {KNIGHT, sq(3, 3), SENTE}, {KING, sq(5, 9), SENTE}, {KING, sq(5, 1), GOTE}},
        SENTE);
    move(1, 2, 1, 1);  // a pawn on the last rank has no further move
    ASSERT_NE(pieceOn(1, 1), nullptr);
    EXPECT_TRUE(pieceOn(1, 1)->promoted());
    move(5, 1, 5, 2);
    move(3, 3, 2, 1);  // nor has a knight
    ASSERT_NE(pieceOn(2, 1), nullptr);
    EXPECT_EQ(pieceOn(2, 1)->kind(), KNIGHT);
    EXPECT_TRUE(pieceOn(2, 1)->promoted());
    EXPECT_TRUE(asker.asked.isEmpty());
    EXPECT_EQ(turnLabel(), QStringLiteral("後手:4手目"));
}

TEST_F(WindowPlayTest, PawnReachingTheZoneIsAskedAboutAndMayStayUnpromoted) {
    for (bool promote : {false, true}) {
        SCOPED_TRACE(promote ? "yes" : "no");
        setUp({{PAWN, sq(5, 4), SENTE}, {KING, sq(5, 9), SENTE}, {KING, sq(1, 1), GOTE}}, SENTE);
        asker.asked.clear();
        asker.answers.push_back(promote);
        move(5, 4, 5, 3);
        EXPECT_EQ(asker.asked, QStringList{QStringLiteral("歩")});
        ASSERT_NE(pieceOn(5, 3), nullptr);
        EXPECT_EQ(pieceOn(5, 3)->promoted(), promote);
        EXPECT_TRUE(nothingSelected());
    }
}

// ---- presses that do nothing, and the selection ----

TEST_F(WindowPlayTest, RefusedPressesChangeNothing) {
    const QImage start = ban()->picture();
    // Nothing selected: an empty square and a piece of the side not to move.
    for (QPoint point : {squareCentre(5, 5), squareCentre(5, 1), squareCentre(2, 2)}) {
        window->SetStatusText(QStringLiteral("消える"));
        press(point);
        EXPECT_TRUE(nothingSelected());
        EXPECT_EQ(window->statusText(), QString());  // every left press clears the status text
        EXPECT_EQ(ban()->picture(), start);
        EXPECT_EQ(game().moveCount(), 0);
    }
    // A pawn selected: a square it cannot reach and an opponent's piece out of reach, each refusal
    // said in the status bar (it used to clear it and say nothing).
    press(squareCentre(7, 7));
    ASSERT_TRUE(window->selection().squareSelected());
    const QImage selected = ban()->picture();
    EXPECT_NE(selected, start);
    for (QPoint point : {squareCentre(7, 5), squareCentre(7, 3), squareCentre(6, 6)}) {
        window->SetStatusText(QStringLiteral("消える"));
        press(point);
        EXPECT_EQ(window->statusText(), QStringLiteral("歩はそこへ動けません"));
        EXPECT_TRUE(window->selection().squareSelected());
        EXPECT_EQ(window->selection().selectedSquare(), sq(7, 7));
        EXPECT_EQ(ban()->picture(), selected);
        EXPECT_EQ(game().moveCount(), 0);
    }
    // The right button selects nothing and moves nothing.
    press(squareCentre(7, 6), Qt::RightButton);
    EXPECT_EQ(game().moveCount(), 0);
    EXPECT_EQ(window->selection().selectedSquare(), sq(7, 7));
}

TEST_F(WindowPlayTest, PressingAnotherOwnPieceMovesTheSelection) {
    press(squareCentre(7, 7));
    press(squareCentre(8, 8));
    EXPECT_TRUE(window->selection().squareSelected());
    EXPECT_EQ(window->selection().selectedSquare(), sq(8, 8));
    press(squareCentre(8, 8));  // the selected piece itself keeps it
    EXPECT_EQ(window->selection().selectedSquare(), sq(8, 8));
    EXPECT_EQ(window->statusText(), QStringLiteral("先手番です"));
    move(8, 8, 8, 8);
    press(squareCentre(7, 7));
    press(squareCentre(7, 6));
    EXPECT_EQ(game().moveCount(), 1);
    EXPECT_EQ(pieceOn(7, 6)->kind(), PAWN);
}

// The pixel mapping seen through the widget, with gote to move so the top corner holds its pieces.
TEST_F(WindowPlayTest, PressesMapToSquaresAtTheGridBorders) {
    move(7, 7, 7, 6);
    struct Row {
        int x, y;
        int selected;  // the square selected, or -1 for none
    };
    const Row rows[] = {
        {10, 40, sq(9, 1)},  {0, 25, sq(9, 1)},  {10, 24, -1},         {10, 20, -1},
        {307, 60, sq(1, 1)}, {308, 60, -1},      {340, 60, -1},        {20, 343, -1},
        {51, 87, sq(9, 1)},  {52, 88, sq(8, 2)}, {300, 120, sq(1, 3)},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(::testing::Message() << "x=" << row.x << " y=" << row.y);
        window->selection().Reset();
        press(QPoint(row.x, row.y));
        if (row.selected < 0) {
            EXPECT_TRUE(nothingSelected());
        } else {
            EXPECT_TRUE(window->selection().squareSelected());
            EXPECT_EQ(window->selection().selectedSquare(), row.selected);
        }
    }
}

// ---- the stands ----

TEST_F(WindowPlayTest, StandsSelectWithAnyButtonOnlyForTheSideToMove) {
    setUp({{KING, sq(5, 9), SENTE},
           {KING, sq(5, 1), GOTE},
           {ROOK, IN_HAND, SENTE},
           {PAWN, IN_HAND, SENTE},
           {GOLD, IN_HAND, GOTE},
           {PAWN, IN_HAND, GOTE}},
          SENTE);
    struct Row {
        bool sente;  // Dai0, else Dai1
        int y;
        Qt::MouseButton button;
        bool selects;
        int slot;
    };
    const Row senteToMove[] = {
        {true, 27, Qt::RightButton, true, 0},   {true, 28, Qt::MiddleButton, true, 1},
        {true, 48, Qt::LeftButton, false, 1},    // slot 2: beyond the two pieces in hand
        {false, 340, Qt::LeftButton, false, 1},  // gote's stand while sente moves
        {true, 8, Qt::LeftButton, true, 0},
    };
    for (const Row &row : senteToMove) {
        SCOPED_TRACE(::testing::Message() << (row.sente ? "Dai0" : "Dai1") << " y=" << row.y);
        const QImage before = dai0()->picture();
        window->SetStatusText(QStringLiteral("そのまま"));
        pressStand(row.sente ? dai0() : dai1(), row.y, row.button);
        EXPECT_TRUE(window->selection().handSelected());
        EXPECT_EQ(window->selection().handSlot(), row.slot);
        if (row.selects) {
            EXPECT_EQ(window->statusText(), QStringLiteral("先手番です"));  // redrawn
        } else {
            EXPECT_EQ(window->statusText(), QStringLiteral("そのまま"));
            EXPECT_EQ(dai0()->picture(), before);
        }
    }

    // A board piece selected: the other stand still does nothing.
    press(squareCentre(5, 9));
    ASSERT_TRUE(window->selection().squareSelected());
    pressStand(dai1(), 340);
    EXPECT_TRUE(window->selection().squareSelected());
    EXPECT_FALSE(window->selection().handSelected());

    setUp({{KING, sq(5, 9), SENTE}, {KING, sq(5, 1), GOTE}, {GOLD, IN_HAND, GOTE}, {PAWN, IN_HAND, GOTE}},
          GOTE);
    pressStand(dai1(), 340);
    EXPECT_EQ(window->selection().handSlot(), 0);
    pressStand(dai1(), 332);
    EXPECT_EQ(window->selection().handSlot(), 1);
    pressStand(dai1(), 312);  // slot 2: nothing there
    EXPECT_EQ(window->selection().handSlot(), 1);
    pressStand(dai0(), 18, Qt::RightButton);
    EXPECT_EQ(window->selection().handSlot(), 1);

    // Gote drops its pawn (slot 1 after sorting: gold first) on 5五.
    press(squareCentre(5, 5));
    ASSERT_NE(pieceOn(5, 5), nullptr);
    EXPECT_EQ(pieceOn(5, 5)->kind(), PAWN);
    EXPECT_EQ(pieceOn(5, 5)->side(), GOTE);
    EXPECT_EQ(game().hand(GOTE).size(), 1);
}

TEST_F(WindowPlayTest, RefusedDropKeepsTheHandPieceAndAnOwnPieceTakesOver) {
    setUp({{KING, sq(5, 9), SENTE}, {PAWN, sq(5, 7), SENTE}, {KING, sq(5, 1), GOTE}, {PAWN, IN_HAND, SENTE}},
          SENTE);
    pressStand(dai0(), 18);
    ASSERT_TRUE(window->selection().handSelected());
    const QImage board = ban()->picture();
    for (QPoint point : {squareCentre(5, 5), squareCentre(4, 1),
                         squareCentre(5, 1)}) {  // a second pawn on file 5, no move left, taken
        press(point);
        EXPECT_TRUE(window->selection().handSelected());
        EXPECT_EQ(ban()->picture(), board);
    }
    EXPECT_EQ(game().hand(SENTE).size(), 1);
    press(squareCentre(5, 7));
    EXPECT_TRUE(window->selection().squareSelected());
    EXPECT_EQ(window->selection().selectedSquare(), sq(5, 7));
    EXPECT_FALSE(window->selection().handSelected());
}

// ---- undo and cancel with a selection ----

TEST_F(WindowPlayTest, UndoKeepsTheHandSelectionForTheNewSideToMove) {
    asker.answers.push_back(true);
    move(7, 7, 7, 6);
    move(3, 3, 3, 4);
    move(8, 8, 2, 2);
    move(3, 1, 2, 2);
    pressStand(dai0(), 18);
    ASSERT_TRUE(window->selection().handSelected());

    trigger("KB1");
    EXPECT_EQ(game().moveCount(), 3);
    EXPECT_EQ(turnLabel(), QStringLiteral("後手:4手目"));
    EXPECT_TRUE(window->selection().handSelected());
    EXPECT_EQ(window->selection().handSlot(), 0);
    EXPECT_TRUE(game().hand(GOTE).empty());
    // Gote's hand is empty, so the next press can only pick one of gote's pieces.
    press(squareCentre(3, 1));
    EXPECT_TRUE(window->selection().squareSelected());
    EXPECT_EQ(window->selection().selectedSquare(), sq(3, 1));

    trigger("K1");  // the popup's undo clears a board selection
    EXPECT_EQ(game().moveCount(), 2);
    EXPECT_TRUE(nothingSelected());
    EXPECT_EQ(pieceOn(8, 8)->kind(), BISHOP);
    EXPECT_EQ(pieceOn(2, 2)->side(), GOTE);
}

TEST_F(WindowPlayTest, CancelClearsOnlyTheBoardSelection) {
    setUp({{KING, sq(5, 9), SENTE}, {KING, sq(5, 1), GOTE}, {PAWN, IN_HAND, SENTE}}, SENTE);
    pressStand(dai0(), 18);
    trigger("K3");
    EXPECT_TRUE(window->selection().handSelected());
    press(squareCentre(5, 9));
    ASSERT_TRUE(window->selection().squareSelected());
    trigger("K3");
    EXPECT_TRUE(nothingSelected());
    press(squareCentre(5, 8));  // no longer a destination: the king stays
    EXPECT_EQ(pieceOn(5, 9)->kind(), KING);
    EXPECT_EQ(game().moveCount(), 0);
}

}  // namespace
