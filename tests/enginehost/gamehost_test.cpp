// Games against the fake engine: each way an engine can spoil a game ends it as that engine's loss
// with the reason in the record, and no process is left running; and the installed engines play a
// short match through nagikifu.
#include "enginehost/gamehost.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <sstream>
#include <string>

#include "engine/pv.h"
#include "enginehost_testing.h"
#include "kifu/match.h"
#include "record/formats.h"
#include "record/sfen.h"

namespace {

void writeFile(const std::string &path, const std::string &text) {
    QFile file(QString::fromStdString(path));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text.data(), static_cast<qint64>(text.size()));
}

QString fakeEngine(const QTemporaryDir &dir, const QString &mode) {
    const QString path = dir.filePath("fake_engine-" + mode);
    if (!QFile::exists(path)) QFile::link(QStringLiteral(FAKE_ENGINE), path);
    return path;
}

TEST(GameHost, AnEngineThatSpoilsTheGameLosesItAndLeavesNothingBehind) {
    QTemporaryDir dir;
    enum Then { Resign, Move, Wait };
    const struct {
        const char *mode;
        Then then;  // what the person does after the engine's first answer
        GameEnd end;
        int winner;
        const char *endWord, *detail;
    } rows[] = {
        // Answers 3c3d, then the person resigns.
        {"normal", Resign, GameEnd::Resignation, GOTE, "投了", ""},
        // Its second answer is 3c3d again, where no piece stands any more.
        {"normal", Move, GameEnd::IllegalMove, SENTE, "反則負け", "3c3d"},
        {"illegal", Wait, GameEnd::IllegalMove, SENTE, "反則負け", "5e5d"},
        {"crash-mid-search", Wait, GameEnd::Fault, SENTE, "反則負け", "探索中に終了"},
        // It never answers and ignores stop and quit: its flag falls, and it is killed.
        {"ignore-stop", Wait, GameEnd::Timeout, SENTE, "切れ負け", ""},
        // Its answer ends the game (a move limit of 2) and it ignores quit: it is killed all the
        // same, though its session was still handling that answer when the game ended.
        {"ignore-quit", Wait, GameEnd::MaxMoves, -1, "持将棋", ""},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.mode);
        ZnBan game;
        GameRecord record(game);
        GameSettings settings;
        settings.time = {TimeControl{0, 1000, 0}, TimeControl{0, 1000, 0}};
        settings.maxMoves = std::string(row.mode) == "ignore-quit" ? 2 : 500;
        std::array<PlayerChoice, 2> players;
        players[GOTE].engine = fakeEngine(dir, row.mode);
        EngineProfile profile = profileFor("fake");
        profile.quitTimeoutMs = profile.stopTimeoutMs = 300;
        profile.moveMarginMs = 200;
        players[GOTE].profile = profile;
        GameHost host(record, settings, players);
        std::optional<GameResult> result;
        QObject::connect(&host, &GameHost::gameOver, [&](const GameResult &over) { result = over; });
        host.start();
        ASSERT_TRUE(spinUntil([&] { return host.personToMove(); }, 5000));
        EXPECT_EQ(host.names()[GOTE], std::string("Fake Engine ") + row.mode);
        ASSERT_EQ(host.play(*readUsiMoveWord("7g7f")), "");
        if (row.then != Wait) {
            ASSERT_TRUE(spinUntil([&] { return host.personToMove() || host.over(); }, 5000));
            EXPECT_EQ(record.length(), 2);
            if (row.then == Resign) {
                EXPECT_EQ(host.resign(), "");
            }
            if (row.then == Move) {
                EXPECT_EQ(host.play(*readUsiMoveWord("2g2f")), "");
            }
        }
        ASSERT_TRUE(spinUntil([&] { return host.isFinished(); }, 5000));
        ASSERT_TRUE(result);
        EXPECT_EQ(result->end, row.end);
        EXPECT_EQ(result->winner ? int(*result->winner) : -1, row.winner);
        EXPECT_NE(result->detail.find(row.detail), std::string::npos) << result->detail;
        EXPECT_EQ(record.notes().endWord, row.endWord);
        spinUntil([] { return childProcesses().total == 0; }, 2000);
        EXPECT_EQ(childProcesses().total, 0);
    }
}

TEST(GameHost, AnEngineThatCannotStartMeansNoGame) {
    QTemporaryDir dir;
    ZnBan game;
    GameRecord record(game);
    std::array<PlayerChoice, 2> players;
    players[SENTE].engine = fakeEngine(dir, "exit-at-start");
    GameHost host(record, GameSettings(), players);
    QString failure;
    QObject::connect(&host, &GameHost::startFailed, [&](const QString &reason) { failure = reason; });
    host.start();
    ASSERT_TRUE(spinUntil([&] { return host.isFinished(); }, 5000));
    EXPECT_FALSE(host.started());
    EXPECT_TRUE(failure.contains("起動中に終了")) << failure.toStdString();
    EXPECT_EQ(record.length(), 0);
    EXPECT_EQ(childProcesses().total, 0);
}

TEST(NagikifuMatch, AWrongCommandLineIs2AndAnEngineThatNeverStartsIs1) {
    QTemporaryDir dir;
    const std::string fake = fakeEngine(dir, "normal").toStdString();
    const std::string dead = fakeEngine(dir, "exit-at-start").toStdString();
    const std::string bad = dir.filePath("bad.txt").toStdString();
    writeFile(bad, "startpos moves 7g7f\nstartpos moves 7g7f 7g6f\n");
    const std::string emptyBook = dir.filePath("empty.db").toStdString();
    writeFile(emptyBook, "#YANEURAOU-DB2016 1.00\n# nothing yet\n");
    // Executable, but no system can run it.
    const std::string broken = dir.filePath("broken-program").toStdString();
    QFile brokenFile(QString::fromStdString(broken));
    ASSERT_TRUE(brokenFile.open(QIODevice::WriteOnly) && brokenFile.write("\x7f"
                                                                          "ELF not really") > 0);
    brokenFile.close();
    ASSERT_TRUE(brokenFile.setPermissions(brokenFile.permissions() | QFileDevice::ExeOwner));
    const struct {
        std::vector<std::string> args;
        int status;
        const char *says;
    } rows[] = {
        {{}, 2, "二つのエンジン"},
        {{"--engine", fake}, 2, "二つのエンジン"},
        {{"--engine", fake, "--engine", fake, "--byoyomi", "1", "--increment", "1"}, 2, "一緒に使えません"},
        {{"--engine", fake, "--engine", fake, "--games", "0"}, 2, "--games の値"},
        {{"--engine", fake, "--engine", fake, "--time", "0", "--byoyomi", "0"}, 2, "どれか"},
        {{"--engine", fake, "--engine", fake, "--bogus", "1"}, 2, "知らないオプション"},
        {{"--engine", fake, "--engine", fake, "--start", "角角落ち"}, 1, "角角落ち"},
        // A folder cannot be made under a file.
        {{"--engine", fake, "--engine", fake, "--out", fake + "/games"}, 1, "作れません"},
        {{"--engine", fake, "--engine", fake, "--sprt", "elo0=10,elo1=5"}, 2, "elo1"},
        {{"--engine", fake, "--engine", fake, "--sprt", "elo0=0,elo1=5,alpha=0.7"}, 2, "alpha"},
        {{"--engine", fake, "--engine", fake, "--byoyomi", "-1"}, 2, "--byoyomi の値"},
        {{"--engine", fake, "--engine", fake, "--time", "1e9"}, 2, "--time の値"},
        {{"--engine", fake, "--engine", fake, "--openings", bad, "--start", "平手"}, 2, "一緒に"},
        {{"--engine", fake, "--engine", fake, "--openings", bad}, 1, ":2: 局面ではありません"},
        {{"--engine", fake, "--engine", fake, "--openings-order", "shuffled"}, 2, "--openings-order の値"},
        {{"--engine", fake, "--engine", fake, "--book-plies", "8"}, 2, "--book-plies には --book が要ります"},
        // A book that cannot serve is refused before any engine starts, with its reason.
        {{"--engine", dead, "--engine", dead, "--book", bad}, 1, "bad.txt: 1行目: "},
        {{"--engine", dead, "--engine", dead, "--book", emptyBook}, 1, "empty.db: 定跡に局面がありません"},
        {{"--engine", fake, "--engine", dead, "--games", "3"}, 1, "起動中に終了しました（終了コード 3、"},
        // Said once, in Japanese.
        {{"--engine", fake, "--engine", broken},
         1,
         "1局目: エンジンを起動できません: 実行できる形式のプログラムではありません\n"},
    };
    for (const auto &row : rows) {
        std::ostringstream out, err;
        EXPECT_EQ(runMatch(row.args, out, err, false), row.status) << err.str();
        EXPECT_NE(err.str().find(row.says), std::string::npos) << err.str();
    }
    EXPECT_EQ(childProcesses().total, 0);
}

// The whole record of a game the series saved.
void readGame(const QString &path, ZnBan &game, RecordNotes &notes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    const QByteArray bytes = file.readAll();
    ASSERT_TRUE(readRecordBytes(game, notes, std::string_view(bytes.constData(), bytes.size()), "x.kif").ok);
}

// Two engines whose sente always loses (its third move repeats its first, which no longer stands),
// two at a time from two openings: each opening is played from both sides, the records begin with
// the opening's moves, the folder is made, and the JSON tells every game. The book gives the first
// move after each opening, sente's after the first and gote's after the second, marked 定跡; its
// next move is beyond --book-plies.
TEST(NagikifuMatch, PlaysTheOpeningsInPairsTwoAtATime) {
    QTemporaryDir dir;
    const std::string book = dir.filePath("book.txt").toStdString();
    writeFile(book, "startpos moves 2g2f 8c8d\nsfen lnsgkgsnl/1r5b1/ppppppppp/9/9/2P6/PP1PPPPPP/1B5R1/LNSGKGSNL w - 2\n");
    const std::string moves = dir.filePath("moves.db").toStdString();
    writeFile(moves, "#YANEURAOU-DB2016 1.00\r\nsfen lnsgkgsnl/1r5b1/p1ppppppp/1p7/9/7P1/PPPPPPP1P/1B5R1/LNSGKGSNL b - 3\r\n"
                     "7g7f none 0 0 5\r\nsfen lnsgkgsnl/1r5b1/ppppppppp/9/9/2P6/PP1PPPPPP/1B5R1/LNSGKGSNL w - 2\r\n"
                     "3c3d none 0 0 1\r\nsfen lnsgkgsnl/1r5b1/pppppp1pp/6p2/9/2P6/PP1PPPPPP/1B5R1/LNSGKGSNL b - 3\r\n"
                     "2g2f none 0 0 1\r\n");
    const std::string out = dir.filePath("new/games").toStdString(), json = dir.filePath("series.json").toStdString();
    std::ostringstream lines, err;
    const int status = runMatch({"--engine", fakeEngine(dir, "alpha").toStdString(), "--engine",
                                 fakeEngine(dir, "beta").toStdString(), "--games", "4", "--openings", book,
                                 "--concurrency", "2", "--byoyomi", "0.5", "--out", out, "--json", json, "--book",
                                 moves, "--book-plies", "1"},
                                lines, err, false);
    ASSERT_EQ(status, 0) << err.str();
    EXPECT_NE(lines.str().find("Ptnml(0-2): [0, 0, 2, 0, 0]"), std::string::npos) << lines.str();
    QFile file(QString::fromStdString(json));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    for (int game = 1; game <= 4; ++game) {
        SCOPED_TRACE(game);
        ZnBan board;
        RecordNotes notes;
        readGame(QString::fromStdString(out) + QStringLiteral("/00%1.kif").arg(game), board, notes);
        // A (alpha) plays sente in games 1 and 3; sente lost them all.
        const std::string alpha = "Fake Engine alpha", beta = "Fake Engine beta";
        EXPECT_EQ(notes.header("先手"), game % 2 == 1 ? alpha : beta);
        EXPECT_EQ(notes.header("後手"), game % 2 == 1 ? beta : alpha);
        EXPECT_EQ(notes.endWord, "反則負け");
        // The second opening has gote to move, 7g7f played: gote answers 3c3d and sente cannot
        // play 7g7f.
        const std::string usi = writeUsi(board);
        EXPECT_EQ(usi, game <= 2 ? "position startpos moves 2g2f 8c8d 7g7f 3c3d\n"
                                 : "position sfen lnsgkgsnl/1r5b1/ppppppppp/9/9/2P6/PP1PPPPPP/1B5R1/LNSGKGSNL w - 1 "
                                   "moves 3c3d\n");
        // The opening's moves, the book's, then the engines' own.
        std::vector<int> line{RecordTree::START};
        while (!notes.tree.node(line.back()).children.empty()) line.push_back(notes.tree.node(line.back()).children[0]);
        std::vector<std::size_t> marked;
        for (std::size_t move = 0; move < line.size(); ++move)
            if (std::ranges::count(notes.tree.node(line[move]).comments, "定跡") > 0) marked.push_back(move);
        ASSERT_EQ(marked, std::vector<std::size_t>{game <= 2 ? 3u : 1u});
        const std::string entry = "\"index\": " + std::to_string(game) + ",";
        EXPECT_TRUE(text.contains(entry.c_str())) << text.toStdString();
    }
    EXPECT_TRUE(text.contains("\"result\": \"gote\"") && !text.contains("\"result\": \"sente\""));
    EXPECT_TRUE(text.contains("\"pentanomial\": [\n      0,\n      0,\n      2,"));
    EXPECT_EQ(childProcesses().total, 0);
}

// Against an engine that resigns every game the SPRT stops the series as soon as H1 holds (eight
// pairs with elo1 = 200), two games at a time; the engine was told the 秒読み to the millisecond.
// Against one that dies mid-search every game is a win and the series goes on to its end.
TEST(NagikifuMatch, StopsOnTheSprtBoundAndCountsAFaultAsALoss) {
    QTemporaryDir dir;
    const std::string book = dir.filePath("book.txt").toStdString();
    writeFile(book, "startpos moves 7g7f\nstartpos moves 2g2f\n");
    const QString log = dir.filePath("engine.log");
    qputenv("NAGI_ENGINE_LOG", log.toUtf8());
    std::ostringstream lines, err;
    EXPECT_EQ(runMatch({"--engine", fakeEngine(dir, "normal").toStdString(), "--engine", SCRIPTED_ENGINE,
                        "--openings", book, "--concurrency", "2", "--byoyomi", "0.25", "--sprt", "elo0=0,elo1=200"},
                       lines, err, false),
              0)
        << err.str();
    qunsetenv("NAGI_ENGINE_LOG");
    const std::string text = lines.str();
    // The pair that decides may end after a game of the next pair: that one counts, the one running
    // is stopped, and none follows.
    EXPECT_NE(text.find("16/100000"), std::string::npos) << text;
    EXPECT_EQ(text.find("19/100000"), std::string::npos) << text;
    EXPECT_NE(text.find("LLR: 3.35 (-2.94, 2.94) [0.00, 200.00]  H1 accepted"), std::string::npos) << text;
    EXPECT_NE(text.find("Ptnml(0-2): [0, 0, 0, 0, 8]"), std::string::npos) << text;
    QFile file(log);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().contains("go btime 0 wtime 0 byoyomi 250"));

    std::ostringstream faultLines, faultErr;
    EXPECT_EQ(runMatch({"--engine", fakeEngine(dir, "normal").toStdString(), "--engine",
                        fakeEngine(dir, "crash-mid-search").toStdString(), "--games", "3"},
                       faultLines, faultErr, false),
              0)
        << faultErr.str();
    EXPECT_NE(faultLines.str().find("3/3 "), std::string::npos) << faultLines.str();
    EXPECT_NE(faultLines.str().find("     3     0     0     3.0"), std::string::npos) << faultLines.str();
    EXPECT_EQ(childProcesses().total, 0);
}

// One short game between the installed engines, as a user runs it: a record that reads again to
// the same moves and ends by a rule it names.
TEST(NagikifuMatch, TheInstalledEnginesPlayAGameToItsEnd) {
    const char *const fairy = "/usr/games/fairy-stockfish";
    const char *const gps = "/usr/games/gpsusi";
    if (!QFileInfo(fairy).isExecutable() || !QFileInfo(gps).isExecutable())
        GTEST_SKIP() << "engines not installed";
    QTemporaryDir dir;
    std::ostringstream out, err;
    const int status = runMatch({"--engine", fairy, "--engine", gps, "--games", "1", "--byoyomi", "1",
                                 "--max-moves", "16", "--start-timeout",
                                 std::to_string(kInstalledEngineStartMs / 1000), "--out", dir.path().toStdString()},
                                out, err, false);
    EXPECT_EQ(status, 0) << err.str();
    EXPECT_NE(out.str().find("1/1 "), std::string::npos) << out.str();
    EXPECT_NE(out.str().find("Elo"), std::string::npos) << out.str();
    QFile file(dir.filePath("001.kif"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    ZnBan game;
    RecordNotes notes;
    ASSERT_TRUE(
        readRecordBytes(game, notes, std::string_view(bytes.constData(), bytes.size()), "001.kif").ok);
    EXPECT_FALSE(notes.endWord.empty());
    EXPECT_GT(game.history().size(), 0u);
    EXPECT_LE(game.history().size(), 16u);
    EXPECT_NE(notes.header("先手").find("Fairy-Stockfish"), std::string_view::npos);
    EXPECT_EQ(childProcesses().total, 0);
}

}  // namespace
