// "nagikifu csa" against a small CSA server inside the test, which plays a scripted game with the
// command's client, and an engine that plays the moves its script gives.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTcpServer>
#include <QTemporaryDir>
#include <memory>
#include <sstream>

#include "enginehost/enginehost_testing.h"
#include "enginehost/scripted_csa_server.h"
#include "kifu/csa.h"

namespace {

struct CsaRun {
    int status = -1;
    std::string out, err;
};

CsaRun csa(const ScriptedServer &server, const QTemporaryDir &dir, std::vector<std::string> extra,
           const std::string &engineScript) {
    QFile script(dir.filePath("engine-script"));
    EXPECT_TRUE(script.open(QIODevice::WriteOnly));
    script.write(engineScript.c_str());
    script.close();
    qputenv("NAGI_ENGINE_SCRIPT", dir.filePath("engine-script").toUtf8());
    std::vector<std::string> args = {
        "--host",   "127.0.0.1",     "--port",     std::to_string(server.port()),
        "--id",     "nagi",          "--password", "g-600-10,secret",
        "--engine", SCRIPTED_ENGINE, "--out",      dir.filePath("games").toStdString()};
    args.insert(args.end(), extra.begin(), extra.end());
    std::ostringstream out, err;
    CsaRun run;
    run.status = runCsa(args, out, err);
    run.out = out.str();
    run.err = err.str();
    return run;
}

std::string readFile(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : "<none>";
}

TEST(NagikifuCsa, PlaysASeriesLoggingInForEachGame) {
    ScriptedServer server({
        join(join(LOGIN, summary('+')),
             join({"echo", "> -3334FU,T2", "echo", "> %TORYO", "> #RESIGN", "> #WIN"}, LOGOUT)),
        join(join(LOGIN, summary('-')), join({"> +7776FU,T1", "echo", "> #TIME_UP", "> #WIN"}, LOGOUT)),
    });
    QTemporaryDir dir;
    // An earlier series' record stays: this one is numbered after it.
    QDir().mkpath(dir.filePath("games"));
    QFile old(dir.filePath("games/001.csa"));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("V2.2\nPI\n+\n");
    old.close();
    const CsaRun run = csa(server, dir, {"--games", "2", "--floodgate-comments", "--verbose"},
                           "cp 30 7g7f 3c3d 2g2f\nbest 2g2f\ncp 40 3c3d 2g2f\n");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "1/2 ☗nagi 勝ち #RESIGN 3手\n2/2 ☖nagi 勝ち #TIME_UP 2手\n通算: 2勝 0敗 0分\n");
    EXPECT_EQ(server.connections(), 2u);
    const std::vector<std::string> expected = {"+7776FU,'* 30 -3334FU +2726FU", "+2726FU",
                                               "-3334FU,'* -40 +2726FU"};
    std::vector<std::string> moves;
    for (const std::string &line : server.received)
        if (!line.empty() && (line[0] == '+' || line[0] == '-')) moves.push_back(line);
    EXPECT_EQ(moves, expected);
    EXPECT_EQ(readFile(dir.filePath("games/001.csa")), "V2.2\nPI\n+\n");
    const std::string first = readFile(dir.filePath("games/002.csa"));
    for (const char *part :
         {"V3.0\nN+nagi\nN-gps\n$EVENT:g+\n$TIME:600+10+0\n$START_TIME:",
          "PI\n+\n+7776FU\nT1\n'** 30 -3334FU +2726FU\n-3334FU\nT2\n+2726FU\nT1\n%TORYO\n"})
        EXPECT_NE(first.find(part), std::string::npos) << first;
    EXPECT_NE(
        readFile(dir.filePath("games/003.csa")).find("+7776FU\nT1\n-3334FU\nT1\n'** -40 +2726FU\n%TIME_UP\n"),
        std::string::npos);
    // The exchange was shown, the password never.
    EXPECT_NE(run.err.find("> LOGIN nagi g-600-10,********\n< LOGIN:nagi OK\n"), std::string::npos)
        << run.err;
    EXPECT_EQ((run.out + run.err + first).find("secret"), std::string::npos);
}

// Each way a login fails gives its reason and exit status 1 within seconds; a game broken off keeps
// what was played; a game lost by a move the server refused is named and counts as played.
TEST(NagikifuCsa, FailsWithTheReasonAndKeepsTheGameSoFar) {
    const struct {
        const char *name;
        Script script;
        int status;
        const char *reason;
        const char *record;
    } rows[] = {
        {"dropped", join(join(LOGIN, summary('+')), {"echo", "> -3334FU,T2", "close"}), 1,
         "127.0.0.1: 通信が切れました", "+7776FU\nT1\n-3334FU\nT2\n%CHUDAN\n"},
        {"illegal", join(join(LOGIN, summary('+')), join({"< +", "> #ILLEGAL_MOVE", "> #LOSE"}, LOGOUT)), 0,
         "1/1 ☗nagi 負け #ILLEGAL_MOVE 0手", "PI\n+\n%+ILLEGAL_ACTION\n"},
        {"login refused",
         {"< LOGIN", "> LOGIN:incorrect"},
         1,
         "ログインできません（ID かパスワードが違います）",
         nullptr},
        {"server silent", {"< LOGIN", "close"}, 1, "ログインの途中でサーバが接続を切りました", nullptr},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        ScriptedServer server({row.script});
        QTemporaryDir dir;
        const CsaRun run = csa(server, dir, {}, "best 7g7f\n");
        EXPECT_EQ(run.status, row.status);
        const std::string said = run.out + run.err;
        EXPECT_NE(said.find(row.reason), std::string::npos) << said;
        if (row.record)
            EXPECT_NE(readFile(dir.filePath("games/001.csa")).find(row.record), std::string::npos);
        else
            EXPECT_FALSE(QFile::exists(dir.filePath("games/001.csa")));
    }
    // Nobody listening: the connection is refused at once.
    int port = 0;
    {
        QTcpServer closed;
        closed.listen(QHostAddress::LocalHost, 0);
        port = closed.serverPort();
    }
    std::ostringstream out, err;
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(runCsa({"--host", "127.0.0.1", "--port", std::to_string(port), "--id", "a", "--password", "b",
                      "--engine", SCRIPTED_ENGINE},
                     out, err),
              1);
    EXPECT_LT(clock.elapsed(), 5000);
    EXPECT_NE(err.str().find("サーバに接続を拒否されました"), std::string::npos) << err.str();
    // A wrong command line, before anything runs; the password is not repeated.
    const std::vector<std::vector<std::string>> wrong = {
        {"--host", "h", "--id", "a", "--password", "b"},
        {"--host", "h", "--id", "a b", "--password", "b", "--engine", "e"},
        {"--host", "h", "--id", "a", "--password", "b", "--engine", "e", "--keep-alive", "10"},
        {"--host", "h", "--id", "a", "--password", "b", "--engine", "e", "--option", "=1"},
        {"--host", "h", "--port", "0", "--id", "a", "--password", "b", "--engine", "e"},
    };
    for (const auto &args : wrong) EXPECT_EQ(runCsa(args, out, err), 2) << args[args.size() - 2];
}

}  // namespace
