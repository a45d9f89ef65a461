// The mate solver: answers known from hand and from KomoringHeights on the same positions, every
// mate line replayed by the rules, and the limits.
#include "core/mate.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>

#include "common/records.h"
#include "core/rules.h"
#include "engine/pv.h"

namespace {

std::vector<Move> usiLine(const std::string &words) {
    std::vector<Move> line;
    std::size_t at = 0;
    while (at < words.size()) {
        const std::size_t end = std::min(words.find(' ', at), words.size());
        if (const std::optional<Move> move = readUsiMoveWord(words.substr(at, end - at))) line.push_back(*move);
        at = end + 1;
    }
    return line;
}

// A node limit rather than a time, so that a slow build (the sanitizers') gets the same answers.
MateLimits generous() {
    MateLimits limits;
    limits.nodes = 2000000;
    limits.tableBytes = std::size_t{16} << 20;
    return limits;
}

// One row per rule; the lengths are the shortest, which KomoringHeights finds too.
TEST(MateSolver, AnswersPositionsWithKnownAnswers) {
    const struct {
        const char *what, *sfen;
        MateAnswer answer;
        std::size_t plies;
    } rows[] = {
        {"mate in one, the attacker without a king", "4k4/9/4P4/9/9/9/9/9/9 b G2r 1", MateAnswer::Mate, 1},
        {"mate in five", "4k4/9/9/9/9/9/9/9/9 b R2G 1", MateAnswer::Mate, 5},
        {"mate in thirteen with two rooks", "9/9/9/9/9/9/9/9/k8 b 2R 1", MateAnswer::Mate, 13},
        {"an interposed pawn does not refute the mate", "8k/9/9/9/9/9/9/9/9 b 2Rp 1", MateAnswer::Mate, 9},
        {"the same mate for gote", "9/9/9/9/9/9/9/9/4K4 w r2g 1", MateAnswer::Mate, 5},
        {"gote cannot mate a king beside its gold", "4k4/9/9/9/9/9/9/9/3GK4 w R2g 1", MateAnswer::NoMate, 0},
        {"the only mate is a pawn drop", "8k/9/6NG1/9/9/9/9/9/4K4 b P 1", MateAnswer::NoMate, 0},
        {"a rook checks forever but never mates", "k8/9/9/9/9/9/9/9/8R b - 1", MateAnswer::NoMate, 0},
        {"two golds cannot mate a king in the open", "4k4/9/9/9/9/9/9/9/9 b 2G 1", MateAnswer::NoMate, 0},
        {"no check at all", "startpos", MateAnswer::NoMate, 0},
        // The twentieth ply of a classic problem's solution (将棋無双, the second, 47 plies as
        // KomoringHeights solves it): 27 plies are left, as KomoringHeights finds from here too.
        {"a long mate", "5g1l1/3+P2s1p/3B2k2/3np1pnP/9/5L1p1/5rN2/9/8L b 2Prb3g3snl10p 1", MateAnswer::Mate,
         27},
    };
    MateSolver solver;
    for (const auto &row : rows) {
        ZnBan game;
        loadSfen(game, row.sfen);
        const MateResult result = solver.solve(game, generous());
        EXPECT_EQ(result.problem, "") << row.what;
        EXPECT_EQ(result.answer, row.answer) << row.what;
        EXPECT_EQ(result.line.size(), row.plies) << row.what;
        if (result.answer != MateAnswer::Mate) continue;
        EXPECT_TRUE(result.shortest) << row.what;
        EXPECT_EQ(mateLineFault(game, result.line), "") << row.what;
    }
}

// A small table loses entries the search and the line need again: an answer stays the same, and a
// line it cannot prove shortest says so (a refutation by repetition read back on another path, or a
// bound's result on another bound, would show here as a change).
TEST(MateSolver, AnswersDoNotDependOnTheTableSize) {
    const char *const rows[] = {
        "9/9/9/9/9/9/9/9/k8 b 2R 1",
        "k8/9/9/9/9/9/9/9/8R b - 1",
        "8k/9/9/9/9/9/9/9/9 b 2Rp 1",
        "sfen ln+R5l/kr7/p5b2/1Gp1psn2/P4p2p/2P1P4/1P1P1P+p1P/LSGB2+p2/KNG5L b G4P2sn 75",
    };
    MateSolver solver;
    int decided = 0;
    for (const char *sfen : rows) {
        ZnBan game;
        loadSfen(game, sfen);
        MateLimits small = generous(), large = generous();
        small.tableBytes = std::size_t{64} << 10;
        small.milliseconds = 3000;
        const MateResult cramped = solver.solve(game, small), roomy = solver.solve(game, large);
        // Thrashing may leave it undecided, never decided the other way.
        if (cramped.answer == MateAnswer::Unknown) continue;
        ++decided;
        EXPECT_EQ(cramped.answer, roomy.answer) << sfen;
        EXPECT_GE(cramped.line.size(), roomy.line.size()) << sfen;
        if (cramped.shortest) {
            EXPECT_EQ(cramped.line.size(), roomy.line.size()) << sfen;
        }
        if (cramped.answer == MateAnswer::Mate) {
            EXPECT_EQ(mateLineFault(game, cramped.line), "") << sfen;
        }
    }
    EXPECT_GE(decided, 3);
}

// The dragon checks round a circle (4b3a 1a1b 3a3b 1b1a 3b3a ...) and the king has one evasion at
// every check, so a solver that made the defender leave the circle would call it a mate; the only
// "mate" goes through the repetition, which is the checker's loss, so there is none, from the start
// or from inside the circle.
TEST(MateSolver, AMateThatOnlyARepetitionForcesIsNoMate) {
    const char *const start = "sfen 8k/5+R3/8p/9/9/9/9/9/9 b - 1";
    ZnBan circle;
    loadSfen(circle, std::string(start) + " moves 4b3a");
    for (const char *next : {"1a1b", "3a3b", "1b1a", "3b3a"}) {
        if (circle.turn() == GOTE) {
            EXPECT_TRUE(inCheck(circle)) << next;
            EXPECT_EQ(countLegalMoves(circle), 1) << next;
        }
        ASSERT_TRUE(circle.play(*readUsiMoveWord(next))) << next;
    }
    EXPECT_EQ(countLegalMoves(circle), 1);
    MateSolver solver;
    for (const std::string &position : {std::string(start), std::string(start) + " moves 4b3a 1a1b"}) {
        ZnBan game;
        loadSfen(game, position);
        const MateResult result = solver.solve(game, generous());
        EXPECT_EQ(result.answer, MateAnswer::NoMate) << position;
        EXPECT_TRUE(result.line.empty()) << position;
    }
}

// Mates from real games' last moves: the first proof is often long, and the search shortens it to
// what KomoringHeights gives.
TEST(MateSolver, ShortensAMateFromAGameToTheShortest) {
    ZnBan game;
    loadSfen(game, "sfen +Rl+B1kg+L1p/s2g5/p1Nppp3/2p2n2+R/1P4P2/P1P1G4/3+nP1S1P/2+n2SK2/5S2L b BG6Pl 161");
    MateSolver solver;
    const MateResult result = solver.solve(game, generous());
    ASSERT_EQ(result.answer, MateAnswer::Mate);
    EXPECT_EQ(result.line.size(), 11u);
    EXPECT_TRUE(result.shortest);
    EXPECT_EQ(mateLineFault(game, result.line), "");
}

// A line read from an engine is replayed by the rules before it is shown as a mate.
TEST(MateLineFault, NamesWhatIsWrongWithALine) {
    const char *tsume = "4k4/9/4P4/9/9/9/9/9/9 b G2r 1";
    const struct {
        const char *line, *fault;
    } rows[] = {
        {"G*5b", ""},
        {"G*4c", "1手目が王手ではありません"},
        {"G*5c", "1手目が指せない手です（駒のある所には打てません）"},
        {"5c5b+ 5a4a", "2手目が指せない手です（王手を放置しています）"},
        {"5c5b+ 5a5b", "最後の局面が詰んでいません"},
        {"G*4b 5a6b", "最後の局面が詰んでいません"},
        {"", "手がありません"},
    };
    ZnBan game;
    loadSfen(game, tsume);
    for (const auto &row : rows) EXPECT_EQ(mateLineFault(game, usiLine(row.line)), row.fault) << row.line;
}

TEST(MateSolver, RefusesPositionsWithNothingToMate) {
    const struct {
        const char *sfen, *problem;
    } rows[] = {
        {"9/9/9/9/9/9/9/9/4K4 b G 1", "詰ます後手の玉が盤上にありません"},
        {"4k4/4G4/9/9/9/9/9/9/4K4 b G 1", "手番でない側に王手がかかっています"},
    };
    MateSolver solver;
    for (const auto &row : rows) {
        ZnBan game;
        loadSfen(game, row.sfen);
        const MateResult result = solver.solve(game, generous());
        EXPECT_EQ(result.problem, row.problem);
        EXPECT_EQ(result.answer, MateAnswer::Unknown);
    }
}

// A position whose search takes far longer than the tests wait.
const char *const HARD = "9/9/9/9/4k4/9/9/9/9 b R2G2S 1";

TEST(MateSolver, ANodeLimitAnswersUnknown) {
    ZnBan game;
    loadSfen(game, HARD);
    MateLimits limits;
    limits.nodes = 5000;
    limits.tableBytes = std::size_t{1} << 20;
    MateSolver solver;
    const MateResult result = solver.solve(game, limits);
    EXPECT_EQ(result.answer, MateAnswer::Unknown);
    EXPECT_GE(result.nodes, 5000u);
    EXPECT_LT(result.nodes, 5000u + 2048u);
}

TEST(MateSolver, AStopFromAnotherThreadReturnsAtOnce) {
    ZnBan game;
    loadSfen(game, HARD);
    MateSolver solver;
    MateLimits limits;
    limits.tableBytes = std::size_t{4} << 20;
    auto running = std::async(std::launch::async, [&] { return solver.solve(game, limits); });
    while (solver.nodes() < 2048) std::this_thread::yield();
    const auto stopped = std::chrono::steady_clock::now();
    solver.stop();
    const MateResult result = running.get();
    EXPECT_LT(std::chrono::steady_clock::now() - stopped, std::chrono::milliseconds(200));
    EXPECT_EQ(result.answer, MateAnswer::Unknown);
    // Stopped before it starts, a search answers at once too, until the solver is rearmed.
    EXPECT_EQ(solver.solve(game, limits).answer, MateAnswer::Unknown);
    solver.rearm();
    loadSfen(game, "4k4/9/4P4/9/9/9/9/9/9 b G2r 1");
    EXPECT_EQ(solver.solve(game, limits).answer, MateAnswer::Mate);
}

}  // namespace
