// The game analysis run through the real process host against a scripted engine: what reaches the
// engine, what comes back in sente's view, what is skipped and what a fault keeps.

#include "enginehost/gameanalyser.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "enginehost_testing.h"
#include "record/formats.h"

namespace {

GameLine lineOf(const std::string &usi) {
    ZnBan game;
    RecordNotes notes;
    EXPECT_TRUE(readRecordBytes(game, notes, usi, "game.usi").ok) << usi;
    return currentLine(game);
}

// The rook on 5a pins nothing once the gold on 5h steps aside: after move 1 the side not to move
// is in check, a position no engine may be given.
const char *const OPEN_KING = "position sfen 4r3k/9/9/9/9/9/9/4G4/4K4 b - 1 moves 5h4h 1a1b 5i6i";
const char *const OPENING = "position startpos moves 7g7f 3c3d 2g2f";

struct ScriptedRun {
    QTemporaryDir dir;
    QString log() const { return dir.filePath("log"); }
    // Runs `analysis` with the scripted engine (or `engine`) answering `script`.
    void operator()(GameAnalysis &analysis, const AnalysisSettings &settings,
                    const std::vector<std::string> &script, const QString &engine = SCRIPTED_ENGINE) {
        QFile file(dir.filePath("script"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        for (const std::string &line : script) file.write((line + "\n").c_str());
        file.close();
        qputenv("NAGI_ENGINE_SCRIPT", dir.filePath("script").toLocal8Bit());
        qputenv("NAGI_ENGINE_LOG", log().toLocal8Bit());
        GameAnalyser analyser(analysis, settings);
        analyser.setEngineOptions({{"Style", "Risky Play"}});
        int reported = 0;
        QObject::connect(&analyser, &GameAnalyser::positionDone, [&] { ++reported; });
        analyser.start(engine);
        ASSERT_TRUE(spinUntil([&] { return !analyser.running(); }, 20000));
        EXPECT_TRUE(analysis.done());
        EXPECT_EQ(reported, analysis.finished());
    }
    std::string sent() const {
        QFile file(log());
        return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
    }
};

using Results = std::vector<std::optional<Evaluation>>;

TEST(GameAnalyser, ScoresInSenteViewForbiddenPositionsNeverSentAndFaultsKeepWhatWasDone) {
    struct Row {
        const char *name, *line;
        int multiPv;
        std::vector<std::string> script;
        Results results;
        // Sent to the engine, in this order, and how many positions it was given.
        std::vector<std::string> sent;
        int positionsSent;
        std::string note, error;
        MoveLabel lastLabel;
        // The name the engine gives itself and how long it holds back "usiok".
        const char *engineName = "Scripted", *usiDelayMs = "0";
    };
    const Evaluation even = Evaluation::score(0);
    // clang-format off
    const Row rows[] = {
        // Gote's +80 is sente's -80; the multipv 2 line with -9999 is never taken for the first.
        {"both sides to move", OPENING, 1, {"cp 30 7g7f", "cp 80", "cp 10", "cp -40"},
         {Evaluation::score(30), Evaluation::score(-80), Evaluation::score(10), Evaluation::score(40)},
         {"usi", "isready", "setoption name Style value Risky Play", "usinewgame", "position sfen", "go btime 0 wtime 0 byoyomi 200", "moves 7g7f 3c3d 2g2f", "quit"}, 4, "", "", MoveLabel::None},
        {"multipv asked for, first line kept", OPENING, 3, {"cp 0", "cp 0", "mate 5 2g2f", "mate -2"},
         {even, even, Evaluation::mateFor(SENTE, 5), Evaluation::mateFor(SENTE, 2)},
         {"isready", "setoption name MultiPV value 3", "position sfen"}, 4, "", "", MoveLabel::None},
        // Move 3 walks into a mate: from -200 to lost is a blunder, and the reading of the
        // position before it gives the reason.
        {"open king skipped", OPEN_KING, 1, {"cp 0 5h5g", "cp -200 4h5h", "mate 3 5a5i"},
         {even, std::nullopt, Evaluation::score(-200), Evaluation::mateFor(GOTE, 3)},
         {"position sfen 4r3k/9/9/9/9/9/9/4G4/4K4 b - 1", "position sfen 4r4/8k/9/9/9/9/9/5G3/4K4 b -"}, 3,
         "1手目: ", "", MoveLabel::Blunder},
        // The mated position has no move to search: it is skipped, never sent.
        {"mated position skipped", "position sfen 4k4/9/4P4/9/9/9/9/9/4K4 b G 1 moves G*5b", 1, {"mate 1 G*5b"},
         {Evaluation::mateFor(SENTE, 1), std::nullopt}, {"position sfen 4k4/9/4P4/9/9/9/9/9/4K4 b G 1"}, 1,
         "1手目: 詰みの局面です", "", MoveLabel::None},
        // A bestmove with no score is no evaluation; resigning is a mate against the mover.
        {"no score, resign", OPENING, 1, {"best 7g7f", "cp 5 resign", "cp 0"},
         {std::nullopt, Evaluation::score(-5), even, even}, {"position sfen"}, 4,
         "開始局面: エンジンが評価値を示さず", "", MoveLabel::None},
        // Known by its name only, it takes that engine's options and timed search without a restart.
        {"renamed engine", OPENING, 1, {}, {even, even, even, even},
         {"usi\nsetoption name UCI_Variant value shogi\nisready", "go movetime 200"}, 4, "", "",
         MoveLabel::None, "Fairy-Stockfish 11.1"},
        // A search is timed from its start, not from the request made while the engine starts.
        {"slow start", OPENING, 1, {}, {even, even, even, even}, {"usi", "isready", "position sfen"}, 4, "", "",
         MoveLabel::None, "Scripted", "6600"},
        {"exits mid-search", OPENING, 1, {"cp 10", "cp 20", "exit"},
         {Evaluation::score(10), Evaluation::score(-20), std::nullopt, std::nullopt}, {"position sfen"}, 3, "",
         "エンジンが探索中に終了しました（終了コード 1、最後に届いた行: bestmove resign）", MoveLabel::None},
    };
    // clang-format on
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        AnalysisSettings settings;
        settings.moveTimeMs = 200;
        settings.multiPv = row.multiPv;
        GameAnalysis analysis(lineOf(row.line), settings);
        ScriptedRun run;
        qputenv("NAGI_ENGINE_NAME", row.engineName);
        qputenv("NAGI_ENGINE_USI_DELAY_MS", row.usiDelayMs);
        run(analysis, settings, row.script);
        EXPECT_EQ(analysis.error(), row.error);
        for (std::size_t ply = 0; ply < row.results.size(); ++ply) {
            const std::optional<PositionResult> &result = analysis.result(static_cast<int>(ply));
            ASSERT_EQ(result.has_value(), row.results[ply].has_value()) << ply;
            if (result) {
                EXPECT_EQ(result->evaluation, *row.results[ply]) << ply;
            }
        }
        const std::string sent = run.sent();
        std::size_t at = 0;
        for (const std::string &part : row.sent) {
            at = sent.find(part, at);
            ASSERT_NE(at, std::string::npos) << part << " in\n" << sent;
        }
        int positions = 0;
        for (at = sent.find("position "); at != std::string::npos; at = sent.find("position ", at + 1))
            ++positions;
        EXPECT_EQ(positions, row.positionsSent);
        EXPECT_EQ(analysis.notes().size(), row.note.empty() ? 0u : 1u);
        if (!row.note.empty()) {
            EXPECT_EQ(analysis.notes().at(0).rfind(row.note, 0), 0u) << analysis.notes()[0];
        }
        const int last = static_cast<int>(row.results.size()) - 1;
        const MoveLabel label = analysis.verdict(last) ? analysis.verdict(last)->label : MoveLabel::None;
        EXPECT_EQ(label, row.lastLabel);
        if (label != MoveLabel::None) {
            EXPECT_FALSE(analysis.verdict(last)->reason.empty());
        }
    }
    qunsetenv("NAGI_ENGINE_NAME");
    qunsetenv("NAGI_ENGINE_USI_DELAY_MS");
    EXPECT_EQ(childProcesses().zombies, 0);
}

}  // namespace
