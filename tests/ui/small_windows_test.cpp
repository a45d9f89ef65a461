// The small windows beside the main one open inside the screen, where they were left, and close
// with Esc.

#include <QScreen>
#include <functional>

#include "keeping_work_testing.h"
#include "ui/analysiswindow.h"
#include "ui/clockwindow.h"
#include "ui/enginestore.h"
#include "ui/evaluationgraph.h"
#include "ui/gamedialog.h"
#include "ui/kifuwindow.h"
#include "ui/legendwindow.h"

using namespace records_testing;

namespace {

// The legend, the move list, 検討, the graph and the clock open inside the screen even beside a window at its
// right edge, and Esc closes each. The next window opens each where it was left, and one left
// beyond a smaller screen comes back inside it.
TEST_F(KeepingWorkTest, SmallWindowsOpenWhereTheyWereLeftInsideTheScreenAndCloseWithEscape) {
    const QRect area = window->screen()->availableGeometry();
    window->move(area.right() - window->frameGeometry().width(), area.top());
    const struct {
        const char *what;
        std::function<QWidget *(TZnMainForm &)> open;
    } rows[] = {
        {"legend", [](TZnMainForm &form) -> QWidget * { return form.showLegendWindow(), form.legendWindow(); }},
        {"move list", [](TZnMainForm &form) -> QWidget * { return form.showKifuWindow(), form.kifuWindow(); }},
        {"graph", [](TZnMainForm &form) -> QWidget * { return form.showEvaluationGraph(), form.graphWindow(); }},
        {"clock", [](TZnMainForm &form) -> QWidget * {
             // Two people, so that no engine starts; the clock stays open after the game.
             EXPECT_TRUE(form.startGame(GameChoice()));
             form.stopGame();
             for (int wait = 0; wait < 400 && form.gameRunning(); ++wait) QTest::qWait(5);
             return form.clockWindow();
         }},
        {"検討", [this](TZnMainForm &form) -> QWidget * {
             // An engine that cannot start: the window opens all the same, and nothing runs.
             form.engineStore().setCommandLineEngine(path("no-engine"));
             form.toggleAnalysis();
             return form.analysisWindow();
         }},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.what);
        QWidget *shown = row.open(*window);
        EXPECT_TRUE(area.contains(shown->frameGeometry()));
        for (const QRect left : {QRect(area.topLeft() + QPoint(10, 20), QSize(320, 400)),
                                 QRect(area.bottomRight() + QPoint(400, 300), area.size() * 2)}) {
            shown->setGeometry(left);
            const QRect kept = shown->geometry();
            QTest::keyClick(shown, Qt::Key_Escape);
            EXPECT_FALSE(shown->isVisible());
            auto next = makeStartWindow(asker);
            QWidget *again = row.open(*next);
            if (area.contains(kept))
                EXPECT_EQ(again->geometry(), kept);
            else
                EXPECT_TRUE(area.contains(again->frameGeometry())) << again->frameGeometry().x();
            again->close();
        }
    }
    // The windows of later tests open where they would for a new player.
    QSettings(QStringLiteral("Nagi"), QStringLiteral("nagishogi")).remove(QStringLiteral("windows"));
}

}  // namespace
