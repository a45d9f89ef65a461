// 局面編集 through the real widgets: a tsume set up by keys over squares and a stand becomes the start
// of a new record that saves and reads back; Esc gives the record back exactly; a refused end keeps
// the editor open with its reason; a running game refuses the edit.

#include <QApplication>
#include <QLabel>
#include <QTest>

#include <algorithm>
#include <string_view>
#include <vector>

#include "enginehost/gamehost.h"
#include "record/position.h"
#include "records_testing.h"
#include "ui/gamedialog.h"
#include "ui/positioneditwidgets.h"

using namespace records_testing;

namespace {

class PositionEditWindow : public RecordWindowTest {
protected:
    void SetUp() override {
        RecordWindowTest::SetUp();
        QApplication::setActiveWindow(window.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }
    TPaintBox *ban() { return findControl<TPaintBox>(*window, "Ban"); }
    TPaintBox *senteStand() { return findControl<TPaintBox>(*window, "Dai0"); }
    // A key as the player presses it, with the mouse resting on the square or the stand. The mouse
    // comes from a corner: the offscreen platform has no cursor to ask where it rests.
    void keyOver(QWidget *widget, QPoint point, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::mouseMove(widget, QPoint(1, 1));
        QTest::mouseMove(widget, point);
        QTest::keyClick(widget, key, modifiers);
    }
    void keyOverSquare(int file, int rank, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        keyOver(ban(), squareCentre(file, rank), key, modifiers);
    }
    void startEdit() {
        QTest::keyClick(ban(), Qt::Key_E, Qt::ControlModifier);
        ASSERT_TRUE(window->editingPosition()) << status();
        QTest::keyClick(ban(), Qt::Key_Backspace, Qt::ControlModifier);  // 全て駒箱へ, the turn kept
        if (window->positionEditSession()->editor().turn() == GOTE) QTest::keyClick(ban(), Qt::Key_T);
        ASSERT_EQ(edited(), "9/9/9/9/9/9/9/9/9 b - 1");
    }
    std::string edited() { return window->positionEditSession()->editor().sfen(); }
};

TEST_F(PositionEditWindow, ATsumeSetUpByKeysStartsANewRecordThatSavesAndReadsBack) {
    openKifGame();
    window->record().setEndWord("中断");  // a change the player has not saved
    startEdit();
    keyOverSquare(5, 1, Qt::Key_K, Qt::ShiftModifier);
    keyOverSquare(5, 3, Qt::Key_P);
    keyOverSquare(1, 1, Qt::Key_L, Qt::ShiftModifier);
    keyOverSquare(4, 3, Qt::Key_S);
    keyOverSquare(4, 3, Qt::Key_Plus);
    // On the stand: two golds, one taken back.
    keyOver(senteStand(), QPoint(16, 60), Qt::Key_G);
    keyOver(senteStand(), QPoint(16, 60), Qt::Key_G);
    keyOver(senteStand(), QPoint(16, 12), Qt::Key_Delete);
    const std::string tsume = "4k3l/9/4P+S3/9/9/9/9/9/9 b G 1";
    ASSERT_EQ(edited(), tsume);
    EXPECT_EQ(window->record().length(), 3) << "the record waits until Enter";
    EXPECT_NE(shown(), tsume);

    QTest::keyClick(ban(), Qt::Key_Return);
    ASSERT_FALSE(window->editingPosition()) << status();
    EXPECT_EQ(asker.saveQuestions, QStringList{"unsaved"}) << "the old record is offered for saving first";
    EXPECT_EQ(shown(), tsume);
    EXPECT_EQ(window->record().length(), 0);
    EXPECT_TRUE(window->isModified());

    save(path("tsume.kif"));
    EXPECT_FALSE(window->isModified()) << status();
    QTest::keyClick(ban(), Qt::Key_N, Qt::ControlModifier);
    ASSERT_NE(shown(), tsume);
    open(path("tsume.kif"));
    EXPECT_EQ(shown(), tsume) << status();
}

TEST_F(PositionEditWindow, EscGivesTheRecordBackExactlyAfterMouseAndKeyEdits) {
    openKifGame();
    QTest::keyClick(ban(), Qt::Key_Left);
    const std::string before = shown();
    const int cursor = window->record().cursor();
    const auto revision = window->record().revision();

    QTest::keyClick(ban(), Qt::Key_E, Qt::ControlModifier);
    ASSERT_TRUE(window->editingPosition());
    EXPECT_FALSE(findControl<QAction>(*window, "KN1")->isEnabled());
    // A drag from 8八 that takes gote's bishop on 2二 into sente's hand, a drag from 9九 to 5五, two
    // presses from 1九 to 5四, a right press that promotes the lance there, one that sends the
    // bishop in hand back to the box.
    QTest::mousePress(ban(), Qt::LeftButton, Qt::NoModifier, squareCentre(8, 8));
    QTest::mouseRelease(ban(), Qt::LeftButton, Qt::NoModifier, squareCentre(2, 2));
    QTest::mousePress(ban(), Qt::LeftButton, Qt::NoModifier, squareCentre(9, 9));
    QTest::mouseRelease(ban(), Qt::LeftButton, Qt::NoModifier, squareCentre(5, 5));
    QTest::mouseClick(ban(), Qt::LeftButton, Qt::NoModifier, squareCentre(1, 9));
    QTest::mouseClick(ban(), Qt::LeftButton, Qt::NoModifier, squareCentre(5, 4));
    QTest::mouseClick(ban(), Qt::RightButton, Qt::NoModifier, squareCentre(5, 4));
    QTest::mouseClick(senteStand(), Qt::RightButton, Qt::NoModifier, QPoint(16, 12));
    EXPECT_EQ(edited(), "lnsgkgsnl/1r5B1/pppppp1pp/4+L1p2/4L4/2P6/PP1PPPPPP/7R1/1NSGKGSN1 b - 1");
    EXPECT_EQ(window->positionEditSession()->editor().inBox(BISHOP), 1);
    // The record waits: walking is refused and the board keeps the edit.
    QTest::keyClick(ban(), Qt::Key_Right);
    EXPECT_EQ(window->record().cursor(), cursor);

    QTest::keyClick(ban(), Qt::Key_Escape);
    ASSERT_FALSE(window->editingPosition());
    EXPECT_EQ(shown(), before);
    EXPECT_EQ(window->record().cursor(), cursor);
    EXPECT_EQ(window->record().revision(), revision);
    EXPECT_FALSE(window->isModified());
    EXPECT_TRUE(findControl<QAction>(*window, "KN1")->isEnabled());
    QTest::keyClick(ban(), Qt::Key_Right);
    EXPECT_EQ(window->record().cursor(), cursor + 1) << "the keys walk the record again";
    // A window closed in the middle of an edit takes the edit down with it.
    QTest::keyClick(ban(), Qt::Key_E, Qt::ControlModifier);
    ASSERT_TRUE(window->editingPosition());
    window.reset();
}

TEST_F(PositionEditWindow, ARefusedEndSaysWhyAndKeepsTheEditorOpen) {
    struct Key {
        int file, rank;
        Qt::Key key;
        Qt::KeyboardModifiers modifiers = Qt::NoModifier;
    };
    const struct {
        std::vector<Key> keys;
        const char *reason;
    } rows[] = {
        {{{5, 5, Qt::Key_P}, {5, 7, Qt::Key_P}}, "二歩"},
        {{{1, 1, Qt::Key_N}}, "行き所のない駒"},
        {{{1, 9, Qt::Key_K}, {9, 9, Qt::Key_K}}, "玉が二枚"},
        {{{5, 1, Qt::Key_K, Qt::ShiftModifier}, {5, 2, Qt::Key_G}}, "王手"},
    };
    for (const auto &row : rows) {
        startEdit();
        for (const Key &key : row.keys) keyOverSquare(key.file, key.rank, key.key, key.modifiers);
        QTest::keyClick(ban(), Qt::Key_Return);
        EXPECT_TRUE(window->editingPosition()) << row.reason;
        EXPECT_NE(status().find(row.reason), std::string::npos) << status();
        EXPECT_EQ(window->record().length(), 0);
        EXPECT_EQ(positionPart(shown()), "lnsgkgsnl/1r5b1/ppppppppp/9/9/9/PPPPPPPPP/1B5R1/LNSGKGSNL b -");
        QTest::keyClick(ban(), Qt::Key_Escape);
        ASSERT_FALSE(window->editingPosition());
    }
    // The last row with gote to move: a side may be in check when it is to move. The panel's
    // 局面 line follows every step.
    startEdit();
    auto *panel = findControl<QLabel>(*window, "PositionEditPanel");
    keyOverSquare(5, 1, Qt::Key_K, Qt::ShiftModifier);
    keyOverSquare(5, 2, Qt::Key_G);
    QTest::keyClick(ban(), Qt::Key_T);
    EXPECT_TRUE(panel->text().contains("局面：合法手 1\n王手")) << panel->text().toStdString();
    keyOverSquare(5, 3, Qt::Key_P);
    EXPECT_TRUE(panel->text().contains("局面：詰み")) << panel->text().toStdString();
    QTest::keyClick(ban(), Qt::Key_Return);
    EXPECT_FALSE(window->editingPosition()) << status();
    EXPECT_EQ(shown(), "4k4/4G4/4P4/9/9/9/9/9/9 w - 1");
}

// Every whole-position preset has a key of its own that no other command of the window or the
// editor shares, and the key sets that preset's position.
TEST_F(PositionEditWindow, EachPresetHasItsOwnKeyThatSetsItsPosition) {
    startEdit();
    const struct {
        const char *keys, *position;
    } rows[] = {
        {"Ctrl+Shift+H", "lnsgkgsnl/1r5b1/ppppppppp/9/9/9/PPPPPPPPP/1B5R1/LNSGKGSNL b - 1"},
        {"Ctrl+K, 1", "lnsgkgsn1/1r5b1/ppppppppp/9/9/9/PPPPPPPPP/1B5R1/LNSGKGSNL w - 1"},
        {"Ctrl+Shift+K, 1", "1nsgkgsnl/1r5b1/ppppppppp/9/9/9/PPPPPPPPP/1B5R1/LNSGKGSNL w - 1"},
        {"Ctrl+K, R", "lnsgkgsnl/7b1/ppppppppp/9/9/9/PPPPPPPPP/1B5R1/LNSGKGSNL w - 1"},
        {"Ctrl+Shift+K, 7", "2sgkg3/9/ppppppppp/9/9/9/PPPPPPPPP/1B5R1/LNSGKGSNL w - 1"},
        {"Ctrl+K, 0", "4k4/9/ppppppppp/9/9/9/PPPPPPPPP/1B5R1/LNSGKGSNL w - 1"},
        {"Ctrl+Shift+T", "4k4/9/9/9/9/9/9/9/9 b 2r2b4g4s4n4l18p 1"},
    };
    for (const auto &row : rows) {
        QTest::keySequence(ban(), QKeySequence(QString::fromLatin1(row.keys)));
        EXPECT_EQ(edited(), row.position) << row.keys;
    }
    PositionEditSession *session = window->positionEditSession();
    std::vector<QKeySequence> keys;
    for (const QAction *action : window->findChildren<QAction *>())
        for (const QKeySequence &key : action->shortcuts()) keys.push_back(key);
    for (std::string_view name : handicapNames()) {
        const QAction *preset =
            session->command(QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())));
        ASSERT_NE(preset, nullptr) << name;
        EXPECT_FALSE(preset->shortcut().isEmpty()) << name;
        EXPECT_EQ(std::count(keys.begin(), keys.end(), preset->shortcut()), 1) << name;
    }
}

TEST_F(PositionEditWindow, ARunningGameRefusesTheEdit) {
    GameChoice choice;
    ASSERT_TRUE(window->startGame(choice));
    QTest::keyClick(ban(), Qt::Key_E, Qt::ControlModifier);
    EXPECT_FALSE(window->editingPosition());
    window->startPositionEdit();
    EXPECT_FALSE(window->editingPosition());
    EXPECT_NE(status().find("対局中"), std::string::npos) << status();
    window->stopGame();
}

}  // namespace
