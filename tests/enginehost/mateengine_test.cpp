// nagikifu mate --engine: a scripted engine's go mate replies, a line replayed before it is shown,
// and an engine that never answers given up after its time.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <sstream>

#include "kifu/cli.h"

namespace {

// A shell engine that answers "go mate" with `reply`, or with nothing at all when it is empty.
QString scriptedEngine(const QTemporaryDir &dir, const QString &name, const QString &reply) {
    const QString path = dir.filePath(name);
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QStringLiteral("#!/bin/sh\nwhile read line; do case \"$line\" in\n"
                              "usi) echo 'id name scripted'; echo usiok;;\nisready) echo readyok;;\n"
                              "go*) %1;;\nquit) exit 0;;\nesac; done\n")
                   .arg(reply.isEmpty() ? QStringLiteral(":") : "echo '" + reply + "'")
                   .toUtf8());
    file.close();
    file.setPermissions(file.permissions() | QFileDevice::ExeOwner);
    return path;
}

TEST(NagikifuMateEngine, ReadsTheReplyAndChecksTheLine) {
    QTemporaryDir dir;
    const struct {
        const char *reply;
        std::string out, err;  // the start of standard output, a part of standard error
    } rows[] = {
        {"checkmate G*5b", "詰み 1手: ▲５二金打\n読み筋: G*5b\n", ""},
        {"checkmate nomate", "不詰\n", ""},
        {"checkmate timeout", "不明\n", ""},
        {"checkmate G*4c", "不明\n", "エンジンの詰み手順が正しくありません（1手目が王手ではありません）"},
        {"", "不明\n", "エンジンが詰み探索に答えません"},
    };
    int number = 0;
    for (const auto &row : rows) {
        const QString engine = scriptedEngine(dir, QStringLiteral("engine%1").arg(++number), row.reply);
        std::istringstream in;
        std::ostringstream out, err;
        const int status = runNagikifu({"mate", "--engine", engine.toStdString(), "--time", "200",
                                        "sfen", "4k4/9/4P4/9/9/9/9/9/9", "b", "G2r", "1"},
                                       in, out, err);
        EXPECT_EQ(status, 0) << row.reply;
        EXPECT_TRUE(out.str().starts_with(row.out)) << row.reply << ": " << out.str();
        EXPECT_NE(err.str().find(row.err), std::string::npos) << row.reply << ": " << err.str();
    }
}

}  // namespace
