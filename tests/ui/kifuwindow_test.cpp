// The move list window and walking through a game: rows, buttons, menu items and keys move the
// board, and the list, the move label and the status follow.

#include "ui/kifuwindow.h"

#include <gtest/gtest.h>

#include <QScreen>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "common/testing.h"
#include "record/formats.h"
#include "record/record.h"
#include "ui/mainform.h"
#include "ui/paintbox.h"
#include "ui_testing.h"

namespace {

// Types Japanese text as an input method would hand it over: one key event carrying the text,
// which QTest's own typing cannot send.
void typeText(QWidget *widget, const QString &text) {
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, text);
    QApplication::sendEvent(widget, &press);
}

// ▲７六歩 △３四歩 ▲２二角成 △同　銀 ▲５五角打, each with a comment, ended by 投了.
const std::vector<Move> &shortLine() {
    static const std::vector<Move> moves = {{sq(7, 7), sq(7, 6)},
                                            {sq(3, 3), sq(3, 4)},
                                            {sq(8, 8), sq(2, 2), true},
                                            {sq(3, 1), sq(2, 2)},
                                            {IN_HAND, sq(5, 5), false, BISHOP}};
    return moves;
}

const QStringList kShortLineRows = {"開始局面",      "1 ▲７六歩(77)", "2 △３四歩(33)", "3 ▲２二角成(88)",
                                    "4 △同　銀(31)", "5 ▲５五角打",   "6 投了",        "まで5手で先手の勝ち"};

// Answers the save dialog with one path.
class OnePathChooser : public FileChooser {
public:
    ChosenFile openRecordFile(QWidget *) override { return {path, {}}; }
    ChosenFile saveRecordFile(QWidget *) override { return {path, filter}; }
    QString path;
    QString filter;
};

class KifuWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        window = makeStartWindow(asker);
        window->setFileChooser(&chooser);
        for (const Move &move : shortLine()) ASSERT_EQ(window->record().play(move), "");
        RecordNotes notes;
        notes.startComments = {"平手の対局"};
        for (std::size_t move = 1; move <= shortLine().size(); ++move)
            notes.commentsAfter(move) = {QStringLiteral("%1手目の注").arg(move).toStdString()};
        notes.endWord = "投了";
        window->record().reset(notes);
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        child<QAction>("KK1")->trigger();
        kifu = window->kifuWindow();
        ASSERT_NE(kifu, nullptr);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(kifu));
        window->RedrawAll();
    }

    void TearDown() override { EXPECT_TRUE(asker.answers.empty()) << "a scripted answer was not used"; }

    template <typename T>
    T *child(const char *name) {
        return findControl<T>(*window, name);
    }
    QListView *list() { return findControl<QListView>(*kifu, "KifuList"); }
    QString turnLabel() { return child<QLabel>("TurnLabel")->text(); }
    ZnBan &game() { return window->game(); }

    // Makes `top` the active window, whose shortcuts the keys reach.
    static void activate(QWidget *top) {
        top->activateWindow();
        QApplication::setActiveWindow(top);
        EXPECT_TRUE(QTest::qWaitForWindowActive(top));
        EXPECT_EQ(QApplication::activeWindow(), top);
    }

    void clickRow(int row) {
        const QRect place = list()->visualRect(list()->model()->index(row, 0));
        ASSERT_TRUE(place.isValid()) << row;
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, Qt::NoModifier, place.center());
    }
    void clickButton(const char *name) {
        QTest::mouseClick(findControl<QPushButton>(*kifu, name), Qt::LeftButton);
    }
    void pressSquare(int file, int rank) {
        QTest::mouseClick(child<TPaintBox>("Ban"), Qt::LeftButton, Qt::NoModifier, squareCentre(file, rank));
    }

    // The game played from the start to move `move` of the short line, drawn by a window of its own
    // with the same attack display. It stays hidden, so the active window does not change.
    std::unique_ptr<TZnMainForm> windowAt(int move) {
        auto other = std::make_unique<TZnMainForm>();
        for (const char *button : {"RadioButton2", "RadioButton3", "RadioButton4"})
            if (child<QRadioButton>(button)->isChecked()) findControl<QRadioButton>(*other, button)->click();
        for (int i = 0; i < move; ++i) EXPECT_EQ(playMove(other->game(), shortLine()[std::size_t(i)]), "");
        other->RedrawAll();
        return other;
    }

    // Everything the windows show of the position at `move`: the same cursor, label, status, row,
    // comment, position and pictures of the board and both stands as a game played to that move.
    void expectShowing(int move) {
        SCOPED_TRACE("showing move " + std::to_string(move));
        EXPECT_EQ(window->record().cursor(), move);
        EXPECT_EQ(window->record().length(), 5);
        EXPECT_EQ(findInconsistency(game()), "");
        const bool sente = move % 2 == 0;
        EXPECT_EQ(turnLabel(), QStringLiteral("%1:%2手目").arg(sente ? "先手" : "後手").arg(move + 1));
        EXPECT_EQ(window->statusText(), sente ? "先手番です" : "後手番です");
        EXPECT_EQ(kifu->selectedRow(), move);
        EXPECT_EQ(kifu->comment(),
                  move == 0 ? QStringLiteral("平手の対局") : QStringLiteral("%1手目の注").arg(move));
        const auto other = windowAt(move);
        EXPECT_EQ(positionKey(game()), positionKey(other->game()));
        for (const char *box : {"Ban", "Dai0", "Dai1"})
            EXPECT_TRUE(child<TPaintBox>(box)->picture() == findControl<TPaintBox>(*other, box)->picture())
                << box;
    }

    ScriptedAsker asker;
    OnePathChooser chooser;
    std::unique_ptr<TZnMainForm> window;
    TKifuWindow *kifu = nullptr;
};

TEST_F(KifuWindowTest, ViewMenuComesAfterRunAndHoldsTheWalkingCommands) {
    QStringList titles;
    for (QAction *action : window->menuBar()->actions()) titles << action->text();
    EXPECT_EQ(titles, (QStringList{"ファイル(&F)", "実行(&R)", "編集(&E)", "表示(&V)", "棋譜(&K)", "検討(&A)",
                                   "定跡(&J)", "ヘルプ(&H)"}));
    const struct {
        const char *name;
        const char *caption;
        QKeySequence shortcut;
    } items[] = {{"KK1", "棋譜ウィンドウ(&K)", {}},
                 {"", "", {}},
                 {"KW1", "最初へ(&S)", QKeySequence(Qt::Key_Home)},
                 {"KW2", "一手前へ(&P)", QKeySequence(Qt::Key_Left)},
                 {"KW3", "一手先へ(&N)", QKeySequence(Qt::Key_Right)},
                 {"KW4", "最後へ(&E)", QKeySequence(Qt::Key_End)}};
    // The walking commands open 表示; the board layers follow them.
    const QList<QAction *> actions = child<QMenu>("ViewV1")->actions();
    ASSERT_GT(actions.size(), qsizetype(std::size(items)));
    EXPECT_TRUE(actions[qsizetype(std::size(items))]->isSeparator());
    for (qsizetype i = 0; i < qsizetype(std::size(items)); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(actions[i]->isSeparator(), *items[i].name == '\0');
        if (actions[i]->isSeparator()) continue;
        EXPECT_EQ(actions[i]->objectName(), items[i].name);
        EXPECT_EQ(actions[i]->text(), QString::fromUtf8(items[i].caption));
        EXPECT_EQ(actions[i]->shortcut(), items[i].shortcut);
    }
}

TEST_F(KifuWindowTest, OpensBesideTheMainWindowWithARowPerMoveAndTheEnd) {
    EXPECT_TRUE(kifu->isVisible());
    EXPECT_TRUE(kifu->isWindow());
    // Beside the main window where the screen has room for it, and inside the screen always.
    const QRect area = kifu->screen()->availableGeometry();
    if (window->frameGeometry().right() + kifu->frameGeometry().width() <= area.right())
        EXPECT_GT(kifu->frameGeometry().left(), window->frameGeometry().right());
    else
        EXPECT_EQ(kifu->frameGeometry().right(), area.right());
    EXPECT_EQ(kifu->rows(), kShortLineRows);
    // The game was left at its end: the last move is selected and its comment shown.
    EXPECT_EQ(kifu->selectedRow(), 5);
    EXPECT_EQ(kifu->comment(), "5手目の注");
    // The main window keeps its size.
    EXPECT_EQ(window->size(), window->minimumSize());
    EXPECT_EQ(window->centralWidget()->size(), QSize(539, 361));
}

TEST_F(KifuWindowTest, ClickingARowShowsThatPosition) {
    for (int row : {2, 0, 3, 5, 1, 4}) {
        clickRow(row);
        expectShowing(row);
    }
    // The end word's row and the closing sentence stand for the end of the line.
    for (int row : {6, 7}) {
        clickRow(2);
        clickRow(row);
        expectShowing(5);
    }
}

// After a jump the overlay and the hands are those of the new position, in either display.
TEST_F(KifuWindowTest, TheOverlayFollowsEveryJump) {
    for (const char *mode : {"RadioButton2", "RadioButton3"}) {
        SCOPED_TRACE(mode);
        QTest::mouseClick(child<QRadioButton>(mode), Qt::LeftButton);
        ASSERT_NE(window->display().attacks, AttackDisplay::None);
        for (int row : {0, 4, 1, 5, 3}) {
            clickRow(row);
            expectShowing(row);
        }
    }
}

TEST_F(KifuWindowTest, ButtonsWalkAndTheListFollows) {
    const struct {
        const char *button;
        int move;
    } presses[] = {{"FirstButton", 0}, {"BackButton", 0},    {"ForwardButton", 1}, {"ForwardButton", 2},
                   {"LastButton", 5},  {"ForwardButton", 5}, {"BackButton", 4}};
    for (const auto &press : presses) {
        SCOPED_TRACE(press.button);
        clickButton(press.button);
        expectShowing(press.move);
    }
}

TEST_F(KifuWindowTest, MenuItemsWalk) {
    const struct {
        const char *item;
        int move;
    } items[] = {{"KW1", 0}, {"KW3", 1}, {"KW3", 2}, {"KW2", 1}, {"KW4", 5}, {"KW2", 4}};
    for (const auto &item : items) {
        SCOPED_TRACE(item.item);
        child<QAction>(item.item)->trigger();
        expectShowing(item.move);
    }
}

TEST_F(KifuWindowTest, KeysWalkFromTheMainWindowAndFromTheList) {
    const struct {
        Qt::Key key;
        int move;
    } keys[] = {{Qt::Key_Home, 0}, {Qt::Key_Right, 1}, {Qt::Key_Right, 2}, {Qt::Key_Left, 1},
                {Qt::Key_End, 5},  {Qt::Key_Left, 4},  {Qt::Key_Home, 0}};

    activate(window.get());
    // The board has the keys from the start, and keeps them through a press on an empty square.
    ASSERT_TRUE(child<TPaintBox>("Ban")->hasFocus());
    pressSquare(5, 5);
    ASSERT_TRUE(child<TPaintBox>("Ban")->hasFocus());
    for (const auto &press : keys) {
        SCOPED_TRACE("main window, key " + std::to_string(press.key));
        QTest::keyClick(window.get(), press.key);
        expectShowing(press.move);
    }

    activate(kifu);
    list()->setFocus();
    for (const auto &press : keys) {
        SCOPED_TRACE("list, key " + std::to_string(press.key));
        QTest::keyClick(list(), press.key);
        expectShowing(press.move);
    }
    // The list's own keys move its selection, and the board follows.
    QTest::keyClick(list(), Qt::Key_Down);
    expectShowing(1);
    QTest::keyClick(list(), Qt::Key_Down);
    expectShowing(2);
    QTest::keyClick(list(), Qt::Key_Up);
    expectShowing(1);
}

TEST_F(KifuWindowTest, ArrowKeysStayWithTheAttackDisplayButtons) {
    child<QAction>("KW1")->trigger();
    activate(window.get());
    auto *none = child<QRadioButton>("RadioButton4");
    none->setFocus();
    ASSERT_TRUE(none->hasFocus());
    QTest::keyClick(none, Qt::Key_Right);
    // The key went to the buttons: the game did not move, and the focus left 表示なし.
    EXPECT_EQ(window->record().cursor(), 0);
    EXPECT_FALSE(none->hasFocus());
    QWidget *focused = QApplication::focusWidget();
    ASSERT_NE(focused, nullptr);
    QTest::keyClick(focused, Qt::Key_Left);
    EXPECT_EQ(window->record().cursor(), 0);
    // Home and End are not the buttons' keys: they still walk.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_End);
    EXPECT_EQ(window->record().cursor(), 5);
}

TEST_F(KifuWindowTest, TheSameMoveWithTheMouseAtAnEarlierCursorKeepsTheRest) {
    clickRow(2);
    asker.answers = {true};
    pressSquare(8, 8);
    pressSquare(2, 2);
    expectShowing(3);
    EXPECT_EQ(kifu->rows(), kShortLineRows);
}

TEST_F(KifuWindowTest, AnotherMoveWithTheMouseAtAnEarlierCursorAddsABranchAndKeepsTheLine) {
    clickRow(2);
    pressSquare(2, 7);
    pressSquare(2, 6);
    EXPECT_EQ(window->record().length(), 3);
    EXPECT_EQ(kifu->rows(), (QStringList{"開始局面", "1 ▲７六歩(77)", "2 △３四歩(33)", "3 ▲２六歩(27)+"}));
    // 分岐 names the moves that stand at the selected row, the new one played. A click on the first,
    // ↓ in that list and Alt+↑ anywhere switch that move; the row stays, the list follows.
    EXPECT_EQ(kifu->branches(), (QStringList{"▲２二角成(88)", "▲２六歩(27)"}));
    EXPECT_EQ(kifu->branchRow(), 1);
    auto *branchList = findControl<QListWidget>(*kifu, "BranchList");
    QTest::mouseClick(branchList->viewport(), Qt::LeftButton, Qt::NoModifier,
                      branchList->visualItemRect(branchList->item(0)).center());
    QStringList rows = kShortLineRows;
    rows[3] += "+";
    EXPECT_EQ(kifu->rows(), rows);
    expectShowing(3);
    QTest::keyClick(branchList, Qt::Key_Down);
    EXPECT_EQ(window->record().length(), 3);
    activate(window.get());
    QTest::keyClick(window.get(), Qt::Key_Up, Qt::AltModifier);
    EXPECT_EQ(kifu->rows(), rows);
    EXPECT_EQ(kifu->branchRow(), 0);
    expectShowing(3);
    // A move with no other lists nothing.
    child<QAction>("KW2")->trigger();
    EXPECT_EQ(kifu->branches(), QStringList());
}

TEST_F(KifuWindowTest, TakeBackAtAnEarlierCursorOnlyStepsBackAndTheListFollows) {
    clickRow(3);
    child<QAction>("KB1")->trigger();
    expectShowing(2);
    EXPECT_EQ(kifu->rows(), kShortLineRows);
    // At the end of the line it is the plain take-back, as from the board's menu.
    child<QAction>("KW4")->trigger();
    child<QAction>("K1")->trigger();
    EXPECT_EQ(kifu->rows(), kShortLineRows.mid(0, 5));
    EXPECT_EQ(turnLabel(), "先手:5手目");
}

TEST_F(KifuWindowTest, DeletingFromTheCursorAsksWithTheNumberOfMoves) {
    for (bool answer : {false, true}) {
        clickRow(3);
        asker.questionAnswers = {answer};
        child<QAction>("KD1")->trigger();
        EXPECT_EQ(asker.questions.back(), "この手以降を削除|3手目以降の3手を削除しますか？");
        EXPECT_EQ(kifu->rows(), answer ? kShortLineRows.mid(0, 3) : kShortLineRows);
    }
    EXPECT_EQ(window->statusText(), "3手を削除しました");
    // 元に戻す brings the deletion back once, cursor and all; after any other change it has nothing to
    // undo rather than undoing that change with it.
    for (const bool again : {false, true}) {
        child<QAction>("KY1")->trigger();
        EXPECT_EQ(kifu->rows(), again ? kShortLineRows.mid(0, 2) : kShortLineRows);
        EXPECT_EQ(window->record().cursor(), again ? 1 : 3);
        if (again) break;
        asker.questionAnswers = {true};
        child<QAction>("KD1")->trigger();
        child<QAction>("K1")->trigger();
    }
    // At the start there is nothing to delete and nothing is asked.
    clickRow(0);
    child<QAction>("KD1")->trigger();
    EXPECT_EQ(asker.questions.size(), 3);
}

TEST_F(KifuWindowTest, AnEditedCommentAndGameInformationBelongToTheRecordAndAreSaved) {
    clickRow(2);
    auto *comment = findControl<QPlainTextEdit>(*kifu, "CommentView");
    comment->setFocus();
    comment->selectAll();
    typeText(comment, QStringLiteral("新しい注"));
    QTest::keyClick(comment, Qt::Key_Return);
    typeText(comment, QStringLiteral("二行目"));
    clickRow(3);
    EXPECT_EQ(kifu->comment(), "3手目の注");
    clickRow(2);
    EXPECT_EQ(kifu->comment(), "新しい注\n二行目");
    auto *event = findControl<QLineEdit>(*kifu, "EventEdit");
    event->setFocus();
    typeText(event, QStringLiteral("研究会"));
    QTemporaryDir directory;
    chooser.path = directory.filePath("commented.kifu");
    chooser.filter = QStringLiteral("KIF形式 (*.kif *.kifu)");
    child<QAction>("KS1")->trigger();
    QFile file(chooser.path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    ZnBan read;
    RecordNotes notes;
    ASSERT_TRUE(readRecordBytes(read, notes, file.readAll().toStdString(), "commented.kifu").ok);
    EXPECT_EQ(notes.commentsAfter(2), (std::vector<std::string>{"新しい注", "二行目"}));
    EXPECT_EQ(notes.commentsAfter(3), std::vector<std::string>{"3手目の注"});
    EXPECT_EQ(notes.header("棋戦"), "研究会");
}

TEST_F(KifuWindowTest, GameInformationShowsTheHeadersAndTheHandicapNamesThePlayers) {
    const struct {
        const char *kif, *senteLabel, *sente, *handicap, *result, *lastRow;
    } rows[] = {
        {"先手：羽生\n手合割：平手\n1 ７六歩(77)\n2 投了\n", "先手", "羽生", "平手", "投了",
         "まで1手で先手の勝ち"},
        // A handicap game names its sides 下手 and 上手, as the saved record does.
        {"下手：弟子\n手合割：香落ち\n1 ５二玉(51)\n2 投了\n", "下手", "弟子", "香落ち", "投了",
         "まで1手で上手の勝ち"},
    };
    for (const auto &row : rows) {
        QMimeData mime;
        mime.setText(QString::fromUtf8(row.kif));
        ASSERT_TRUE(window->openRecordText(&mime));
        EXPECT_EQ(findControl<QLineEdit>(*kifu, "SenteEdit")->text(), row.sente);
        EXPECT_EQ(findControl<QLineEdit>(*kifu, "HandicapEdit")->text(), row.handicap);
        EXPECT_EQ(findControl<QComboBox>(*kifu, "ResultBox")->currentText(), row.result);
        EXPECT_EQ(kifu->rows().back(), row.lastRow);
        const auto labels = kifu->findChild<QGroupBox *>("InfoGroup")->findChildren<QLabel *>();
        EXPECT_TRUE(std::any_of(labels.begin(), labels.end(),
                                [&](QLabel *l) { return l->text() == row.senteLabel; }));
    }
}

TEST_F(KifuWindowTest, SavingAtAnEarlierCursorWritesTheWholeLineAndStaysThere) {
    std::ostringstream whole;
    ASSERT_TRUE(saveRecord(game(), whole).ok);
    clickRow(2);
    QTemporaryDir directory;
    ASSERT_TRUE(directory.isValid());
    chooser.path = directory.filePath("line.ngr");
    child<QAction>("KS1")->trigger();
    // A .ngr file holds the moves only, and the save says what it left out.
    EXPECT_EQ(window->statusText().toStdString(),
              "棋譜を保存しました（この形式に入らないコメント6行・終局「投了」は保存していません）");
    QFile file(chooser.path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll().toStdString(), whole.str());
    EXPECT_EQ(window->record().cursor(), 2);
    EXPECT_EQ(turnLabel(), "先手:3手目");

    // Opening it puts the whole line in the list with the cursor at its end.
    clickRow(0);
    child<QAction>("K4")->trigger();
    EXPECT_EQ(window->statusText(), "棋譜を読み込みました");
    EXPECT_EQ(kifu->rows(), kShortLineRows.mid(0, 6));  // a .ngr file has no end word, so no sentence
    EXPECT_EQ(kifu->selectedRow(), 5);
    EXPECT_EQ(kifu->comment(), "");
}

TEST_F(KifuWindowTest, NewGameEmptiesTheList) {
    clickRow(2);
    child<QAction>("KN1")->trigger();
    EXPECT_EQ(kifu->rows(), QStringList{"開始局面"});
    EXPECT_EQ(kifu->selectedRow(), 0);
    EXPECT_FALSE(game().replaying());
    pressSquare(7, 7);
    pressSquare(7, 6);
    EXPECT_EQ(kifu->rows(), (QStringList{"開始局面", "1 ▲７六歩(77)"}));
}

// The list window closed and opened again shows the path as it is now, the first move marked as
// one of two.
TEST_F(KifuWindowTest, ReopenedListShowsTheLineAsItIsNow) {
    kifu->close();
    child<QAction>("KW1")->trigger();
    pressSquare(2, 7);
    pressSquare(2, 6);
    child<QAction>("KK1")->trigger();
    EXPECT_EQ(window->kifuWindow(), kifu);
    EXPECT_TRUE(kifu->isVisible());
    EXPECT_EQ(kifu->rows(), (QStringList{"開始局面", "1 ▲２六歩(27)+"}));
    EXPECT_EQ(kifu->selectedRow(), 1);
}

}  // namespace
