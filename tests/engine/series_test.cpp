// A series of games without engines: the SPRT against ratios worked out apart from the program,
// the pairing of openings and sides, the stop on a bound, how faults and failed starts count, the
// openings a file gives and the times written in fractions of a second.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>

#include "engine/profile.h"
#include "engine/pv.h"
#include "engine/series.h"
#include "record/sfen.h"

namespace {

TEST(Sprt, GivesTheLogLikelihoodRatioOfThePublishedFormulas) {
    // From a separate script: the likeliest distribution with a given mean is q_i / (1 + θ(a_i − s))
    // (Van den Bergh, "Comments on Normalized Elo"); for three outcomes θ solves a quadratic, for
    // five it was found by bisection. Zero counts are 0.001 first, as fishtest has them.
    const struct {
        std::vector<int> counts;  // losses, draws, wins; or pairs worth 0 to 2 points
        double elo0, elo1, llr;
    } rows[] = {
        {{20, 40, 30}, 0, 10, 0.451910},   {{0, 0, 10}, 0, 10, 0.283681},  // all won
        {{0, 20, 0}, 0, 10, -0.577296},    {{30, 10, 5}, -5, 5, -0.925132},
        {{2, 10, 20, 12, 6}, 0, 10, 0.469449}, {{0, 0, 0, 0, 8}, 0, 10, 0.227001},  // every pair won
        {{0, 0, 12, 0, 0}, 0, 10, -0.344006},  // every pair even
        {{1, 3, 5, 3, 1}, 0, 5, -0.004998},
    };
    for (const auto &row : rows) {
        const SprtSettings settings{row.elo0, row.elo1, 0.05, 0.05};
        EXPECT_NEAR(sprtLlr(row.counts, settings), row.llr, 1e-5) << ::testing::PrintToString(row.counts);
    }
    const SprtSettings fishtest{0, 10, 0.05, 0.05};
    EXPECT_EQ(sprtLlr({0, 0, 0}, fishtest), 0.0);
    EXPECT_EQ(sprtLine(1.7149, fishtest), "LLR: 1.71 (-2.94, 2.94) [0.00, 10.00]");
    EXPECT_EQ(sprtVerdict(2.95, fishtest), SprtVerdict::H1);
    EXPECT_EQ(sprtVerdict(-2.95, fishtest), SprtVerdict::H0);
    EXPECT_EQ(sprtVerdict(2.9, fishtest), SprtVerdict::Continue);
}

TEST(Sprt, ReadsItsSettingsAndRefusesTestsThatMeanNothing) {
    const struct {
        const char *text;
        bool ok;
        SprtSettings read;
    } rows[] = {
        {"elo0=0,elo1=10,alpha=0.05,beta=0.1", true, {0, 10, 0.05, 0.1}},
        {"elo1=5, elo0=-1.5", true, {-1.5, 5, 0.05, 0.05}},
        {"elo0=10,elo1=10", false, {}},
        {"elo0=0,elo1=10,alpha=0.5", false, {}},
        {"elo0=0,elo1=10,beta=0", false, {}},
        {"elo0=0,elo1=10,alpha=nan", false, {}},
        {"elo0=0", false, {}},
        {"elo0=0,elo1=10,gamma=1", false, {}},
        {"elo0=0;elo1=10", false, {}},
    };
    for (const auto &row : rows) {
        SprtSettings settings;
        const std::string problem = readSprt(row.text, settings);
        EXPECT_EQ(problem.empty(), row.ok) << row.text << ": " << problem;
        if (!row.ok) continue;
        EXPECT_EQ(std::vector<double>({settings.elo0, settings.elo1, settings.alpha, settings.beta}),
                  std::vector<double>({row.read.elo0, row.read.elo1, row.read.alpha, row.read.beta}));
    }
}

SeriesEntry ended(const SeriesGame &game, GameEnd end, std::optional<Side> winner) {
    SeriesEntry entry;
    entry.index = game.index;
    entry.opening = game.opening;
    entry.result.end = end;
    entry.result.winner = winner;
    return entry;
}

std::vector<Opening> openings(int count) {
    std::vector<Opening> list;
    for (int i = 0; i < count; ++i) list.push_back({"book:" + std::to_string(i + 1), "position startpos"});
    return list;
}

TEST(Series, PlaysEachOpeningTwiceWithTheSidesSwapped) {
    for (const bool random : {false, true}) {
        SeriesSettings settings;
        settings.games = 8;
        settings.openings = openings(4);
        settings.randomOrder = random;
        settings.seed = 7;
        Series series(settings);
        std::vector<int> order;
        for (int i = 0; i < 8; ++i) {
            const std::optional<SeriesGame> game = series.next();
            ASSERT_TRUE(game);
            EXPECT_EQ(game->index, i);
            EXPECT_EQ(game->sideOfA, i % 2 == 0 ? SENTE : GOTE);
            if (i % 2 == 1) {
                EXPECT_EQ(game->opening, order.back()) << "a pair shares its opening";
                EXPECT_EQ(series.bookSeed(i), series.bookSeed(i - 1)) << "and its line from a book";
            }
            order.push_back(game->opening);
            series.finished(ended(*game, GameEnd::Resignation, SENTE));
        }
        EXPECT_FALSE(series.next());
        EXPECT_EQ(series.end(), SeriesEnd::Done);
        EXPECT_EQ(std::set<int>(order.begin(), order.end()).size(), 4u);
        // Sente won every game: each pair is one point to each engine.
        EXPECT_EQ(series.pentanomial().pairs, (std::array<int, 5>{0, 0, 4, 0, 0}));
        EXPECT_EQ(series.score().wins, 4);
        if (!random) {
            EXPECT_EQ(order, std::vector<int>({0, 0, 1, 1, 2, 2, 3, 3}));
        }
        if (random) {
            EXPECT_NE(order, std::vector<int>({0, 0, 1, 1, 2, 2, 3, 3}));
            Series again(settings);
            EXPECT_NE(again.bookSeed(5), again.bookSeed(6));
            EXPECT_EQ(again.bookSeed(5), series.bookSeed(5)) << "the same seed, the same lines";
            for (int i = 0; i < 8; ++i) {
                const std::optional<SeriesGame> game = again.next();
                ASSERT_TRUE(game);
                EXPECT_EQ(game->opening, order[static_cast<std::size_t>(i)]);
                again.finished(ended(*game, GameEnd::Resignation, SENTE));
            }
        }
    }
}

TEST(Series, HandsOutNoMoreGamesThanMayRunAtOnce) {
    SeriesSettings settings;
    settings.games = 5;
    settings.concurrency = 2;
    Series series(settings);
    const std::optional<SeriesGame> first = series.next(), second = series.next();
    ASSERT_TRUE(first && second);
    EXPECT_FALSE(series.next());
    // The second finishes first: the third takes its place.
    series.finished(ended(*second, GameEnd::Mate, GOTE));
    EXPECT_EQ(series.next()->index, 2);
    EXPECT_FALSE(series.next());
    EXPECT_EQ(series.end(), SeriesEnd::Running);
    EXPECT_EQ(series.score().wins, 1) << "A played gote in the second game";
    EXPECT_FALSE(series.paired());
}

TEST(Series, StopsOnceTheSprtDecides) {
    const struct {
        bool paired;
        double elo1;
        bool aWins;  // A wins every game, else B
        SeriesEnd end;
        int games;  // played when it stops
    } rows[] = {
        // 3.35 after eight won pairs, 2.93 after seven: the bound is 2.94.
        {true, 200, true, SeriesEnd::H1, 16},
        {false, 200, true, SeriesEnd::H1, 8},
        // All lost: -2.95 after 101 games against elo1 = 10.
        {false, 10, false, SeriesEnd::H0, 101},
    };
    for (const auto &row : rows) {
        SeriesSettings settings;
        settings.games = 1000;
        settings.paired = row.paired;
        settings.sprt = SprtSettings{0, row.elo1, 0.05, 0.05};
        Series series(settings);
        while (const std::optional<SeriesGame> game = series.next()) {
            const Side winner = row.aWins ? game->sideOfA : otherSide(game->sideOfA);
            series.finished(ended(*game, GameEnd::Resignation, winner));
        }
        EXPECT_EQ(series.end(), row.end);
        EXPECT_EQ(series.played(), row.games);
        const std::vector<std::string> summary = seriesSummary(series);
        EXPECT_NE(summary.back().find(row.end == SeriesEnd::H1 ? "H1 accepted" : "H0 accepted"), std::string::npos);
    }
}

TEST(Series, CountsAFaultAsALossAndPlaysAGameThatCouldNotStartAgain) {
    SeriesSettings settings;
    settings.games = 3;
    Series series(settings);
    // An engine that cannot start before any game was played ends the series.
    Series dead(settings);
    EXPECT_FALSE(dead.notStarted(dead.next()->index));
    EXPECT_EQ(dead.end(), SeriesEnd::Failed);
    // B's engine died in the first game (A sente): A's win. A stopped game counts for nothing.
    series.finished(ended(*series.next(), GameEnd::Fault, SENTE));
    series.finished(ended(*series.next(), GameEnd::Stopped, std::nullopt));
    const SeriesGame third = *series.next();
    EXPECT_TRUE(series.notStarted(third.index));
    EXPECT_EQ(series.next()->index, third.index);
    EXPECT_EQ(series.played(), 1);
    EXPECT_EQ(series.score().wins, 1);
    // Stopped while its engines were starting: the series is not left waiting for it.
    series.stop();
    series.abandoned(third.index);
    EXPECT_EQ(series.end(), SeriesEnd::Stopped);
    EXPECT_EQ(series.recordName(0), "001.kif");
    settings.games = 12000;
    EXPECT_EQ(Series(settings).recordName(41), "00042.kif");
}

TEST(MatchScore, GivesLosAndTheEloOfPairs) {
    EXPECT_NEAR(losOf({60, 30, 10}), 0.999217, 1e-6);  // 0.5 (1 + erf(30 / √180))
    EXPECT_EQ(losOf({0, 0, 5}), 0.5);
    // Pairs 1, 1.5, 1.5, 2 points of 2: mean 0.75 and variance 1/32 per pair, four pairs.
    const EloEstimate elo = eloOf(Pentanomial{{0, 0, 1, 2, 1}});
    ASSERT_TRUE(elo.difference && elo.margin);
    EXPECT_NEAR(*elo.difference, 190.85, 0.01);
    EXPECT_FALSE(eloOf(Pentanomial{{0, 0, 0, 0, 3}}).difference);
}

// Files in a folder of their own, removed at the end.
struct Scratch {
    std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                ("nagi-openings-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
    Scratch() { std::filesystem::create_directories(dir); }
    ~Scratch() { std::filesystem::remove_all(dir); }
    std::string write(const std::string &name, const std::string &text) {
        std::ofstream(dir / name, std::ios::binary) << text;
        return (dir / name).string();
    }
};

TEST(Openings, ReadsLinesRecordsAndFoldersAndNamesTheLineAtFault) {
    Scratch scratch;
    const std::string kif =
        "手合割：平手\n手数----指手---------消費時間--\n   1 ７六歩(77)\n   2 ３四歩(33)\n   3 ２六歩(27)\n";
    const struct {
        std::string name, text;
        int plies;
        std::vector<std::string> usi;  // the openings read; empty when refused
        const char *says;
    } rows[] = {
        {"lines.txt",
         "# a comment\nlnsgkgsnl/1r5b1/ppppppppp/9/9/9/PPPPPPPPP/1B5R1/LNSGKGSNL b - 1\r\n\n"
         "sfen 4k4/9/9/9/9/9/9/9/4K4 w G 1\nposition startpos moves 7g7f 3c3d\nstartpos moves 2g2f\n",
         16,
         {"position startpos", "position sfen 4k4/9/9/9/9/9/9/9/4K4 w G 1",
          "position startpos moves 7g7f 3c3d", "position startpos moves 2g2f"},
         ""},
        {"bad.txt", "startpos moves 7g7f\nstartpos moves 7g7f 7g7f\n", 16, {}, "bad.txt:2"},
        {"check.txt", "sfen 4k4/9/9/9/9/9/9/4r4/4K4 w - 1\n", 16, {}, "check.txt:1"},
        {"nothing.txt", "# none\n", 16, {}, "局面がありません"},
        {"game.kif", kif, 2, {"position startpos moves 7g7f 3c3d"}, ""},
    };
    for (const auto &row : rows) {
        const OpeningsRead read = readOpenings(scratch.write(row.name, row.text), row.plies);
        std::vector<std::string> usi;
        for (const Opening &opening : read.openings) usi.push_back(opening.usi);
        EXPECT_EQ(usi, row.usi) << row.name;
        EXPECT_NE(read.problem.find(row.says), std::string::npos) << row.name << ": " << read.problem;
    }
    std::filesystem::create_directories(scratch.dir / "games");
    scratch.write("games/b.kif", kif);
    scratch.write("games/a.csa", "V2.2\nPI\n+\n+2726FU\n-8384FU\n");
    scratch.write("games/notes.txt", "not a record");
    const OpeningsRead folder = readOpenings((scratch.dir / "games").string(), 1);
    ASSERT_EQ(folder.openings.size(), 2u) << folder.problem;
    EXPECT_EQ(folder.openings[0].usi, "position startpos moves 2g2f");
    EXPECT_EQ(folder.openings[1].usi, "position startpos moves 7g7f");
}

TEST(Openings, PutTheirMovesAtTheHeadOfTheGamesRecord) {
    ZnBan game;
    GameRecord record(game);
    ASSERT_EQ(setUpOpening(record, {"x", "position startpos moves 7g7f 3c3d"}), "");
    EXPECT_EQ(record.length(), 2);
    EXPECT_TRUE(record.atEnd());
    EXPECT_EQ(writeUsi(game), "position startpos moves 7g7f 3c3d\n");
    GameReferee referee(record, GameSettings{});
    referee.start(0);
    EXPECT_EQ(referee.play(*readUsiMoveWord("2g2f"), 10), "");
    EXPECT_EQ(referee.movesPlayed(), 1);
}

TEST(FractionalTime, IsKeptToTheMillisecondFromTheCommandLineToTheGoLine) {
    const struct {
        const char *text;
        std::int64_t ms;  // -1: refused
    } rows[] = {{"0.3", 300},  {"1", 1000},  {"2.125", 2125}, {"0.0004", 0},     {"0.0005", 1},
                {".5", 500},   {"0.", -1},   {"-1", -1},      {"1e3", -1},       {"", -1},
                {"1.2.3", -1}, {"864000", 864000000},          {"864000.001", -1}, {"99999999999999999999", -1}};
    for (const auto &row : rows) {
        std::int64_t ms = -1;
        EXPECT_EQ(readSecondsAsMs(row.text, ms), row.ms >= 0) << row.text;
        if (row.ms >= 0) {
            EXPECT_EQ(ms, row.ms) << row.text;
        }
    }
    EXPECT_EQ(timeControlText({0, 300, 0}), "0分 秒読み0.3秒");
    EXPECT_EQ(timeControlText({90500, 0, 1250}), "1分30.5秒 加算1.25秒");
    // Gote's turn, 1.7 s spent of sente's 2.5: the engine hears what is left, to the millisecond.
    GameClock clock({TimeControl{2500, 300, 0}, TimeControl{2500, 300, 0}}, {0, 0});
    clock.startTurn(SENTE, 0);
    clock.stopTurn(1700);
    clock.startTurn(GOTE, 1700);
    const GameClock::Reading r = clock.reading();
    EXPECT_EQ(goCommand(profileFor("gpsusi"), UsiGo::clocks(r.senteMs, r.goteMs, r.byoyomiMs)),
              "go btime 800 wtime 2500 byoyomi 300");
    EXPECT_FALSE(clock.flagFell(1700 + 2800));
    EXPECT_TRUE(clock.flagFell(1700 + 2801));
}

}  // namespace
