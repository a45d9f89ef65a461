// The game controller without a window: the view a game wants, refusals before a game starts, a
// game between two people from its start to its end in the record, and a series of engines played
// several games at once off the board until its SPRT decides.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "record/formats.h"
#include "records_testing.h"
#include "support/readfile.h"
#include "ui/gamecontroller.h"
#include "ui/recorddocument.h"
#include "ui/serieswindow.h"
#include "ui_testing.h"

namespace {

TEST(GameControllerTest, APersonPlayingAloneSeesTheBoardFromTheirSide) {
    PlayerChoice person, engine;
    engine.engine = QStringLiteral("/usr/games/fairy-stockfish");
    EXPECT_EQ(GameController::viewFor({person, engine}), std::optional<bool>(false));
    EXPECT_EQ(GameController::viewFor({engine, person}), std::optional<bool>(true));
    EXPECT_EQ(GameController::viewFor({person, person}), std::nullopt);
    EXPECT_EQ(GameController::viewFor({engine, engine}), std::nullopt);
}

TEST(GameControllerTest, AGameBetweenTwoPeopleRunsInTheDocumentsRecord) {
    RecordDocument document;
    GameController games(document, nullptr);
    QSignalSpy begun(&games, &GameController::begun);
    QSignalSpy ended(&games, &GameController::ended);
    QSignalSpy finished(&games, &GameController::finished);
    QSignalSpy messages(&games, &GameController::message);

    GameChoice choice;
    choice.time[GOTE] = TimeControl{0, 0, 0};
    EXPECT_FALSE(games.start(choice));  // a side with no time at all
    EXPECT_EQ(messages.count(), 1);
    EXPECT_TRUE(begun.isEmpty());

    choice = GameChoice{};
    choice.engines = {QString(), QString()};
    ASSERT_TRUE(games.start(choice));
    ASSERT_EQ(begun.count(), 1);
    EXPECT_EQ(begun.at(0).at(1).value<std::optional<bool>>(), std::nullopt);
    EXPECT_FALSE(games.start(choice)) << "one game at a time";
    ASSERT_TRUE(QTest::qWaitFor([&] { return games.host()->started(); }, 5000));
    EXPECT_EQ(games.host()->play(Move{Square(squareAt(6, 2)), Square(squareAt(5, 2)), false, PAWN}), "");
    EXPECT_EQ(games.stop(), "");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !finished.isEmpty(); }, 5000));
    ASSERT_EQ(ended.count(), 1);
    EXPECT_TRUE(ended.at(0).at(1).toBool()) << "a single game is the last";
    EXPECT_EQ(document.record().length(), 1);
    EXPECT_EQ(document.record().notes().endWord, "中断");
    EXPECT_FALSE(games.running());
    EXPECT_EQ(games.resign(), "対局していません");
}

// The end is told with the sides the clock and the record use: 下手 and 上手 in a handicap game.
TEST(GameControllerTest, TheEndNamesTheSidesAsTheStartDoes) {
    const struct {
        const char *start, *sentence;
    } rows[] = {
        {"平手", "後手の勝ち: 投了（0手）"},
        // 上手 moves first and resigns at once.
        {"香落ち", "下手の勝ち: 投了（0手）"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.start);
        RecordDocument document;
        GameController games(document, nullptr);
        QSignalSpy ended(&games, &GameController::ended);
        GameChoice choice;
        choice.engines = {QString(), QString()};
        choice.start = QString::fromUtf8(row.start);
        ASSERT_TRUE(games.start(choice));
        ASSERT_TRUE(QTest::qWaitFor([&] { return games.host()->started(); }, 5000));
        EXPECT_EQ(games.resign(), "");
        ASSERT_TRUE(QTest::qWaitFor([&] { return !ended.isEmpty(); }, 5000));
        EXPECT_EQ(ended.at(0).at(0).toString().toStdString(), row.sentence);
    }
}
#ifdef FAKE_ENGINE
// Two games at once from an openings file, each engine keeping its own 秒読み (A's 0.3 s) on
// either side; the engine that only plays illegal moves loses every pair, so the SPRT accepts H0
// and no further game starts; the series window shows the LLR line and the verdict.
TEST(GameControllerTest, ASeriesPlaysTwoGamesAtOnceUntilTheSprtDecides) {
    QTemporaryDir dir;
    RecordDocument document;
    GameController games(document, nullptr);
    GameChoice choice;
    choice.games = 12;
    choice.concurrency = 2;
    choice.sprt = SprtSettings{0, 200, 0.2, 0.2};
    choice.folder = dir.filePath("games");
    choice.openings = dir.filePath("book.txt");
    choice.time[SENTE] = TimeControl{0, 300, 0};
    choice.time[GOTE] = TimeControl{0, 1000, 0};
    ASSERT_TRUE(linkFakeEngines(choice, dir.path(), "fake_engine-illegal", "fake_engine-normal"));
    records_testing::writeFile(choice.openings, "startpos moves 2g2f 8c8d\nstartpos moves 2g2f 3c3d\n");
    QSignalSpy ended(&games, &GameController::ended);
    TSeriesWindow window(games);
    ASSERT_TRUE(games.start(choice));
    EXPECT_FALSE(games.running()) << "the board is not played on";
    EXPECT_FALSE(games.start(choice)) << "one series at a time";
    ASSERT_TRUE(QTest::qWaitFor([&] { return games.series()->running() == 2; }, 5000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !games.seriesRunning(); }, 30000));
    ASSERT_FALSE(ended.isEmpty());
    EXPECT_TRUE(ended.last().at(1).toBool());
    const QString closing = ended.last().at(0).toString();
    EXPECT_TRUE(closing.startsWith(
                    QStringLiteral("連続対局 %1局（fake_engine-illegal 0勝").arg(games.series()->played())) &&
                closing.contains("H0 accepted"))
        << closing.toStdString();
    EXPECT_EQ(games.series()->end(), SeriesEnd::H0);
    EXPECT_LT(games.series()->played(), choice.games);
    EXPECT_EQ(games.series()->score().wins, 0);
    EXPECT_EQ(window.stateText(), "終了: H0 accepted");
    EXPECT_TRUE(window.summaryText().contains("LLR: ")) << window.summaryText().toStdString();
    EXPECT_TRUE(window.scoreText().startsWith("fake_engine-illegal 対 fake_engine-normal: 0勝"))
        << window.scoreText().toStdString();
    // Game 1 has A as sente, game 2 as gote, each with its own time.
    for (const auto &[file, header] : {std::pair{"001.kif", "先手0分 秒読み0.3秒・後手0分 秒読み1秒"},
                                       std::pair{"002.kif", "先手0分 秒読み1秒・後手0分 秒読み0.3秒"}}) {
        const FileBytes bytes = readRegularFile(QDir(games.seriesFolder()).filePath(file).toStdString());
        ZnBan board;
        RecordNotes notes;
        ASSERT_TRUE(bytes.ok && readRecordBytes(board, notes, bytes.bytes, file).ok) << file;
        EXPECT_EQ(notes.header("持ち時間"), header) << file;
        EXPECT_EQ(notes.endWord, "反則負け") << file;
    }
    // Stopped at once, the next series ends with its games uncounted and the window says so.
    ASSERT_TRUE(games.start(choice));
    EXPECT_EQ(games.stop(), "");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !games.seriesRunning(); }, 30000));
    EXPECT_EQ(games.series()->end(), SeriesEnd::Stopped);
    EXPECT_EQ(games.series()->played(), 0);
    EXPECT_EQ(window.stateText(), "中止");
}
#endif

}  // namespace
