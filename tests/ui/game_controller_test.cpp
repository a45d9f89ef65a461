// The game controller without a window: the view a game wants, refusals before a game starts, and
// a game between two people from its start to its end in the record.

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>

#include "ui/gamecontroller.h"
#include "ui/recorddocument.h"

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

}  // namespace
