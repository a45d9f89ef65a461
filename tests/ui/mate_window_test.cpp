// 詰み探索 in the window: Ctrl+M searches the position shown on a thread while the window goes on,
// the line shows in KIF notation and steps with ← →, 分岐として追加 keeps it, 中止 stops at once.
#include <QElapsedTimer>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

#include "record/sfen.h"
#include "ui/matewindow.h"
#include "ui_testing.h"

namespace {

class MateWindowTest : public ShownWindowTest {
protected:
    void load(const char *sfen) {
        RecordNotes notes;
        ASSERT_TRUE(readSfen(window->game(), notes, sfen).ok);
        window->record().reset();
        window->RedrawAll();
    }
    bool waitForAnswer(int timeoutMs = 10000) {
        QElapsedTimer clock;
        clock.start();
        while (window->mateWindow()->searching() && clock.elapsed() < timeoutMs) QTest::qWait(20);
        return !window->mateWindow()->searching();
    }
    QListWidget *line() { return window->mateWindow()->findChild<QListWidget *>(QStringLiteral("MateLine")); }
    QPushButton *button(const char *name) { return window->mateWindow()->findChild<QPushButton *>(QString::fromLatin1(name)); }
};

TEST_F(MateWindowTest, FindsTheMateShowsItInKifStepsAndAddsItAsABranch) {
    load("sfen 4k4/9/9/9/9/9/9/9/9 b R2G 1");
    QTest::keyClick(window.get(), Qt::Key_M, Qt::ControlModifier);
    ASSERT_NE(window->mateWindow(), nullptr);
    ASSERT_TRUE(waitForAnswer());
    EXPECT_TRUE(window->statusText().startsWith(QStringLiteral("詰み 5手"))) << window->statusText().toStdString();
    ASSERT_EQ(line()->count(), 5);
    EXPECT_EQ(line()->item(0)->text(), QStringLiteral("▲５三飛打"));
    // A promotion is named by the piece as it stood before the move.
    EXPECT_EQ(line()->item(2)->text(), QStringLiteral("▲４三飛成(53)"));
    QTest::keyClick(window->mateWindow(), Qt::Key_Right);
    QTest::keyClick(window->mateWindow(), Qt::Key_Right);
    QTest::keyClick(window->mateWindow(), Qt::Key_Left);
    EXPECT_EQ(line()->currentRow(), 1);
    QTest::mouseClick(button("MateAddBranch"), Qt::LeftButton);
    EXPECT_EQ(window->record().length(), 5) << window->statusText().toStdString();
    EXPECT_EQ(window->record().cursor(), 0);
}

TEST_F(MateWindowTest, StopAnswersUnknownAtOnceAndARefusedPositionSaysWhy) {
    load("sfen 9/9/9/9/4k4/9/9/9/9 b R2G2S 1");
    QTest::keyClick(window.get(), Qt::Key_M, Qt::ControlModifier);
    QTest::qWait(50);
    ASSERT_TRUE(window->mateWindow()->searching());
    QElapsedTimer clock;
    clock.start();
    QTest::mouseClick(button("MateStop"), Qt::LeftButton);
    EXPECT_LT(clock.elapsed(), 500);
    EXPECT_FALSE(window->mateWindow()->searching());
    EXPECT_TRUE(window->statusText().startsWith(QStringLiteral("不明"))) << window->statusText().toStdString();
    EXPECT_FALSE(button("MateAddBranch")->isEnabled());

    load("sfen 9/9/9/9/9/9/9/9/4K4 b G 1");
    QTest::keyClick(window.get(), Qt::Key_M, Qt::ControlModifier);
    EXPECT_FALSE(window->mateWindow()->searching());
    EXPECT_EQ(window->statusText(), QStringLiteral("調べられません：詰ます後手の玉が盤上にありません"));
}

}  // namespace
