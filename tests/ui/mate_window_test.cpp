// 詰み探索 in the window: Ctrl+M searches the position shown on a thread while the window goes on,
// the line shows in KIF notation and steps with ← →, 分岐として追加 keeps it, 中止 stops at once.
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>

#include "common/testing.h"
#include "record/sfen.h"
#include "ui/enginedialogs.h"
#include "ui/enginestore.h"
#include "ui/matewatch.h"
#include "ui/matewindow.h"
#include "ui_testing.h"

namespace {

class MateWindowTest : public ShownWindowTest {
protected:
    void SetUp() override {
        ShownWindowTest::SetUp();
        // The user's own settings never decide which searches here.
        window->setEngineStore(std::make_unique<EngineStore>(dir.filePath("settings.ini")));
    }
    // A shell engine that answers "go mate" with `reply`.
    QString mateEngine(const QString &name, const QString &reply) {
        const QString path = dir.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QStringLiteral("#!/bin/sh\nwhile read line; do case \"$line\" in\n"
                                  "usi) echo 'id name %1'; echo usiok;;\nisready) echo readyok;;\n"
                                  "go*) echo '%2';;\nquit) exit 0;;\nesac; done\n")
                       .arg(name, reply)
                       .toUtf8());
        file.close();
        file.setPermissions(file.permissions() | QFileDevice::ExeOwner);
        return path;
    }
    QTemporaryDir dir;
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

// The board follows the stepped row, with the record left where it is, and comes back to the
// record's position when the line is left by ←, by a press on the board, or by closing the window.
TEST_F(MateWindowTest, SteppingTheLineShowsItsPositionsOnTheBoardUntilItIsLeft) {
    load("sfen 4k4/9/9/9/9/9/9/9/9 b R2G 1");
    QTest::keyClick(window.get(), Qt::Key_M, Qt::ControlModifier);
    ASSERT_TRUE(waitForAnswer());
    TMateWindow *mate = window->mateWindow();
    const std::string record = positionSfen(window->game());
    // The answer marks the first move but leaves the board alone.
    EXPECT_FALSE(window->showingMateLine());
    const std::vector<Move> moves = mate->result().line;
    ASSERT_EQ(moves.size(), 5u);
    const auto after = [&](int plies) {
        ZnBan game;
        RecordNotes notes;
        readSfen(game, notes, "sfen 4k4/9/9/9/9/9/9/9/9 b R2G 1");
        for (int i = 0; i < plies; ++i) game.play(moves[static_cast<std::size_t>(i)]);
        return positionSfen(game);
    };
    const struct {
        Qt::Key key;
        int row;  // the row the board shows, -1 for the record's position
    } steps[] = {{Qt::Key_Right, 1}, {Qt::Key_Right, 2}, {Qt::Key_Left, 1},
                 {Qt::Key_Left, 0},  {Qt::Key_Left, -1}, {Qt::Key_Left, -1}};
    for (const auto &step : steps) {
        QTest::keyClick(mate, step.key);
        EXPECT_EQ(mate->shownRow(), step.row);
        EXPECT_EQ(window->showingMateLine(), step.row >= 0);
        // The same position, whatever move number the shown copy counts.
        const auto board = [](const std::string &sfen) { return sfen.substr(0, sfen.rfind(' ')); };
        EXPECT_EQ(board(positionSfen(window->shownPosition())),
                  board(step.row >= 0 ? after(step.row + 1) : record));
        // The attack maps drawn are the shown position's: the rook on the board attacks.
        EXPECT_EQ(window->shownPosition().attackCount(SENTE, sq(5, 4)) > 0, step.row >= 0);
        EXPECT_EQ(positionSfen(window->game()), record) << "the record never moves";
    }
    // A press on the board while it shows the line only brings the record's position back.
    QTest::keyClick(mate, Qt::Key_Right);
    ASSERT_TRUE(window->showingMateLine());
    EXPECT_TRUE(window->statusText().startsWith(QStringLiteral("詰み手順 2手目の局面")));
    QTest::mouseClick(window->findChild<QWidget *>(QStringLiteral("Ban")), Qt::LeftButton, {},
                      QPoint(100, 100));
    EXPECT_FALSE(window->showingMateLine());
    EXPECT_EQ(mate->shownRow(), -1);
    EXPECT_EQ(window->record().length(), 0);
    // After the line was left, a press on the marked row shows it again.
    QTest::mouseClick(line()->viewport(), Qt::LeftButton, {},
                      line()->visualItemRect(line()->currentItem()).center());
    EXPECT_EQ(mate->shownRow(), line()->currentRow());
    EXPECT_TRUE(window->showingMateLine());
    // Closing the window takes the line off the board.
    QTest::keyClick(mate, Qt::Key_Escape);
    EXPECT_FALSE(mate->isVisible());
    EXPECT_FALSE(window->showingMateLine());
    EXPECT_EQ(positionSfen(window->shownPosition()), record);
}

// An engine marked for mates in the engine settings answers 詰み探索; its line is replayed by the
// rules before it shows, and an engine's wrong line is its fault, never a mate.
TEST_F(MateWindowTest, AnEngineMarkedForMatesAnswersInsteadOfTheSolver) {
    const QString good = mateEngine(QStringLiteral("goodmate"), QStringLiteral("checkmate G*5b"));
    const QString liar = mateEngine(QStringLiteral("liarmate"), QStringLiteral("checkmate G*4c"));
    EngineStore &store = window->engineStore();
    store.setAddedEngines({good, liar});
    EXPECT_EQ(store.mateEngine(), QString()) << "the program's own solver unless an engine is marked";
    {
        EngineSettingsDialog settings(store);
        for (int row = 0; row < settings.list()->count(); ++row)
            if (settings.list()->item(row)->data(Qt::UserRole).toString() == good)
                settings.list()->setCurrentRow(row);
        settings.findChild<QPushButton *>(QStringLiteral("ForMates"))->click();
        EXPECT_TRUE(settings.list()->currentItem()->text().endsWith(QStringLiteral("（詰み探索）")));
    }
    EXPECT_EQ(EngineStore(dir.filePath("settings.ini")).mateEngine(), good) << "kept in the settings";
    const struct {
        QString engine;
        QString status;
        int rows;
    } rows[] = {
        {good, QStringLiteral("詰み 1手　goodmate"), 1},
        {liar, QStringLiteral("不明（エンジンの詰み手順が正しくありません（1手目が王手ではありません））"),
         0}};
    for (const auto &row : rows) {
        store.setForMates(good, row.engine == good);
        store.setForMates(liar, row.engine == liar);
        load("sfen 4k4/9/4P4/9/9/9/9/9/9 b G2r 1");
        QTest::keyClick(window.get(), Qt::Key_M, Qt::ControlModifier);
        ASSERT_TRUE(waitForAnswer(20000));
        EXPECT_TRUE(window->statusText().startsWith(row.status)) << window->statusText().toStdString();
        EXPECT_EQ(line()->count(), row.rows);
    }
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

// Beside 検討: each position followed is searched off the window's thread; a proved mate is told with
// its line, a new position drops the last search at once, and a position without one tells nothing.
TEST(MateWatch, TellsAMateOfTheSideToMoveAsItIsFound) {
    MateLimits limits;
    limits.nodes = 200000;
    MateWatch watch(limits);
    QStringList told;
    QObject::connect(&watch, &MateWatch::answered, [&](const QString &text) { told << text; });
    const auto follow = [&](const char *sfen) {
        ZnBan game;
        RecordNotes notes;
        EXPECT_TRUE(readSfen(game, notes, sfen).ok);
        told.clear();
        watch.follow(game);
    };
    // The answer comes with the end of the search.
    const auto settled = [&] { return QTest::qWaitFor([&] { return !watch.searching(); }, 10000); };
    follow("sfen 9/9/9/9/4k4/9/9/9/9 b R2G2S 1");
    ASSERT_TRUE(watch.searching());
    QElapsedTimer moved;
    moved.start();
    follow("sfen 4k4/9/9/9/9/9/9/9/9 b R2G 1");
    EXPECT_LT(moved.elapsed(), 500) << "the last search is dropped at once";
    ASSERT_TRUE(settled());
    EXPECT_EQ(told.value(told.size() - 1),
              QStringLiteral("詰みあり 5手：▲５三飛打△４一玉▲４三飛成△３一玉▲３二金打"))
        << told.join(QLatin1Char('|')).toStdString();
    follow("sfen 4k4/9/9/9/9/9/9/9/9 b 2G 1");
    ASSERT_TRUE(settled());
    EXPECT_EQ(told, QStringList{QString()}) << "only the clearing when there is no mate";
    follow("sfen 9/9/9/9/9/9/9/9/4K4 b G 1");
    EXPECT_FALSE(watch.searching()) << "nothing to mate: no search";
}

}  // namespace
