// "nagikifu analyse" with a scripted engine: its exit statuses, the output left untouched when
// anything fails, the comment lines it writes, and an analysis over the input file itself.

#include "kifu/analyse.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <sstream>

#include "record/formats.h"
#include "review/gameanalysis.h"

namespace {

struct Folder {
    QTemporaryDir dir;
    std::string path(const char *name) const { return dir.filePath(name).toStdString(); }
    void write(const char *name, const std::string &text) const {
        QFile file(dir.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text.data(), static_cast<qint64>(text.size()));
    }
    std::string read(const char *name) const {
        QFile file(dir.filePath(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string("<none>");
    }
    QStringList files() const { return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden); }
};

// Runs the command with `args`, where "IN", "OUT" and "SCRIPT" name files in `folder`.
int analyse(const Folder &folder, std::vector<std::string> args, const std::vector<std::string> &script,
            std::string &err) {
    std::string text;
    for (const std::string &line : script) text += line + "\n";
    folder.write("script", text);
    qputenv("NAGI_ENGINE_SCRIPT", folder.path("script").c_str());
    qunsetenv("NAGI_ENGINE_LOG");
    for (std::string &arg : args) {
        if (arg == "IN" || arg == "OUT") arg = folder.path(arg == "IN" ? "in.kifu" : "out.kifu");
        // A file where a folder should be fails the write for every user, root included.
        if (arg == "UNWRITABLE") arg = folder.path("in.kifu") + "/out.kifu";
        if (arg == "MISSING") arg = folder.path("no/such/folder/out.kifu");
    }
    std::ostringstream stream;
    const int status = runAnalyse(args, stream, false);
    err = stream.str();
    return status;
}

const std::string GAME =
    "手合割：平手\n手数----指手---------消費時間--\n*対局前の感想\n*#他のソフトの行\n"
    "   1 ７六歩(77)\n   2 ３四歩(33)\n*△の狙い\n";

TEST(NagikifuAnalyse, ExitStatusesAndTheOutputLeftAsItWasOnFailure) {
    struct Row {
        const char *name;
        std::vector<std::string> args;
        std::vector<std::string> script;
        int status;
        std::string message;
    };
    const std::string engine = SCRIPTED_ENGINE;
    const std::vector<std::string> BLUNDER = {"cp 50 7g7f", "cp 0 8c8d", "cp 900 2g2f"};
    // clang-format off
    const Row rows[] = {
        {"no engine", {"IN", "OUT"}, {}, 2, "--engine でエンジンを指定"},
        {"one file", {"IN", "--engine", engine}, {}, 2, "入力と出力の二つ"},
        {"bad movetime", {"IN", "OUT", "--engine", engine, "--movetime", "0"}, {}, 2, "--movetime の値"},
        {"bad multipv", {"IN", "OUT", "--engine", engine, "--multipv", "x"}, {}, 2, "--multipv の値"},
        {"value missing", {"IN", "OUT", "--engine"}, {}, 2, "--engine の後に値"},
        {"range backwards", {"IN", "OUT", "--engine", engine, "--from", "2", "--to", "1"}, {}, 2, "--from が"},
        {"unknown option", {"IN", "OUT", "--engine", engine, "--depth", "3"}, {}, 2, "知らないオプション"},
        {"unknown format", {"IN", "out.txt", "--engine", engine}, {}, 2, "出力の形式"},
        {"missing input", {"nothing.kifu", "OUT", "--engine", engine}, {}, 1, "nothing.kifu"},
        {"engine exits", {"IN", "OUT", "--engine", engine}, {"cp 0", "exit"}, 1, "エンジンが探索中に終了しました"},
        {"engine missing", {"IN", "OUT", "--engine", "/nonexistent"}, {}, 1, "エンジンが見つかりません"},
        {"engine exits, output over input", {"IN", "IN", "--engine", engine}, {"cp 0", "exit"}, 1, "探索中に終了"},
        {"engine not a program", {"IN", "OUT", "--engine", "/tmp"}, {}, 1, "エンジンを実行できません: /tmp"},
        {"output unwritable", {"IN", "UNWRITABLE", "--engine", engine}, {}, 1, "in.kifu/out.kifu: "},
        // Refused before the engine runs: this one would fail at its first position.
        {"output folder missing", {"IN", "MISSING", "--engine", engine}, {"cp 0", "exit"}, 1, "out.kifu: ファイルを作れません"},
        {"coefficient zero", {"IN", "OUT", "--engine", engine, "--coefficient", "0"}, {}, 2, "--coefficient の値"},
        {"coefficient not a number", {"IN", "OUT", "--engine", engine, "--coefficient", "inf"}, {}, 2, "--coefficient の値"},
        {"thresholds two", {"IN", "OUT", "--engine", engine, "--thresholds", "0.1,0.2"}, {}, 2, "--thresholds の値"},
        {"thresholds falling", {"IN", "OUT", "--engine", engine, "--thresholds", "0.1,0.3,0.2"}, {}, 2, "--thresholds の値"},
        {"thresholds above one", {"IN", "OUT", "--engine", engine, "--thresholds", "0.1,0.2,1.5"}, {}, 2, "--thresholds の値"},
        // Gote's △３四歩 costs sente's +900 from an even game, a 大悪手 at the usual coefficient
        // (32 % of the winning chance), 18 % at 1200, 7 % at 3000.
        {"flatter curve", {"IN", "OUT", "--engine", engine, "--coefficient", "1200"}, BLUNDER, 0, "2手目 評価値 900 疑問手\n"},
        {"flattest curve", {"IN", "OUT", "--engine", engine, "--coefficient", "3e3"}, BLUNDER, 0, "2手目 評価値 900\n"},
        {"coefficient and thresholds", {"IN", "OUT", "--engine", engine, "--thresholds", "0.15,0.17,0.3", "--coefficient", "1200.5"}, BLUNDER, 0, "2手目 評価値 900 悪手\n"},
    };
    // clang-format on
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        Folder folder;
        folder.write("in.kifu", GAME);
        folder.write("out.kifu", "old output\n");
        std::string err;
        EXPECT_EQ(analyse(folder, row.args, row.script, err), row.status);
        EXPECT_NE(err.find(row.message), std::string::npos) << err;
        // A failed run leaves the old output; a finished one writes the label it reported, or none.
        const std::string out = folder.read("out.kifu"),
                          label = row.message.substr(row.message.rfind(' ') + 1);
        if (row.status != 0)
            EXPECT_EQ(out, "old output\n");
        else
            EXPECT_EQ(out.find("*【"), out.find("*【" + label.substr(0, label.size() - 1) + "】")) << out;
        EXPECT_EQ(folder.read("in.kifu"), GAME);
        EXPECT_EQ(folder.files(), QStringList({"in.kifu", "out.kifu", "script"}));
    }
}

TEST(NagikifuAnalyse, WritesTheLinesOnceOverTheInputItselfKeepingOtherComments) {
    Folder folder;
    folder.write("in.kifu", GAME);
    // Gote's 34歩 instead of the engine's 84歩 turns an even game into sente's +900: a blunder.
    const std::vector<std::string> script = {"cp 50 7g7f", "cp 0 8c8d", "cp 900 2g2f"};
    const std::string engine = SCRIPTED_ENGINE;
    std::string err;
    ASSERT_EQ(analyse(folder, {"IN", "IN", "--engine", engine, "--movetime", "50"}, script, err), 0) << err;
    std::string once = folder.read("in.kifu");
    // KIF lines end in CRLF.
    std::erase(once, '\r');
    EXPECT_EQ(err,
              "解析 1/3 開始局面 評価値 50\n解析 2/3 1手目 評価値 0\n解析 3/3 2手目 評価値 900 大悪手\n");
    const std::string expected =
        "*対局前の感想\n*#他のソフトの行\n*#評価値=50\n*#互角\n*#読み筋=▲７六歩\n*#深さ=12\n*#エンジン="
        "Scripted\n"
        "   1 ７六歩(77)   ( 0:00/00:00:00)\n*#評価値=0\n*#互角\n*#読み筋=△８四歩\n*#深さ=12\n"
        "*#エンジン=Scripted\n   2 ３四歩(33)   ( 0:00/00:00:00)\n*【大悪手】\n";
    EXPECT_NE(once.find(expected), std::string::npos) << once;
    // The reason follows the label, then the comment the record had, then the evaluation.
    const std::size_t label = once.find("*【大悪手】\n*"),
                      kept = once.find("*△の狙い\n*#評価値=900\n*#先手優勢\n");
    EXPECT_LT(label, kept) << once;
    EXPECT_GT(kept - label, std::string("*【大悪手】\n*x\n").size());
    // The same analysis again replaces its own lines instead of adding them twice.
    ASSERT_EQ(analyse(folder, {"IN", "OUT", "--engine", engine}, script, err), 0) << err;
    std::string again = folder.read("out.kifu");
    std::erase(again, '\r');
    EXPECT_EQ(again, once);
    EXPECT_EQ(folder.files(), QStringList({"in.kifu", "out.kifu", "script"}));
}

// The real engine: every position of a 20-move game gets an evaluation at 50 ms a move.
TEST(NagikifuAnalyse, FairyStockfishEvaluatesEveryPosition) {
    const std::string engine = "/usr/games/fairy-stockfish";
    if (!QFile::exists(QString::fromStdString(engine))) GTEST_SKIP() << "fairy-stockfish is not installed";
    Folder folder;
    folder.write(
        "game.usi",
        "position startpos moves 7g7f 3c3d 2g2f 4c4d 2f2e 2b3c 3i4h 3a3b 5i6h 8b4b 6h7h 5a6b 5g5f 6b7b "
        "4i5h 7b8b 9g9f 9c9d 6g6f 7a7b\n");
    std::string err;
    ASSERT_EQ(
        analyse(folder, {folder.path("game.usi"), "OUT", "--engine", engine, "--movetime", "50"}, {}, err), 0)
        << err;
    ZnBan game;
    RecordNotes notes;
    ASSERT_TRUE(readRecordBytes(game, notes, folder.read("out.kifu"), "out.kifu").ok);
    ASSERT_EQ(game.moveCount(), 20);
    const std::vector<GraphPoint> points = evaluationGraph(
        [&](int ply) -> const std::vector<std::string> & { return notes.commentsAfter(ply); }, 21);
    ASSERT_EQ(points.size(), 21u) << folder.read("out.kifu");
    for (int ply = 0; ply <= 20; ++ply) EXPECT_EQ(points[static_cast<std::size_t>(ply)].ply, ply);
}

}  // namespace
