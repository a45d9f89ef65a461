// From the engine's moves and numbers to the board's: move words, PVs cut at the first illegal
// move, scores from sente's view, positions that must not be sent, and the attack balance.
#include "engine/pv.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/balance.h"
#include "engine/position_check.h"
#include "record/sfen.h"

namespace {

void load(ZnBan &game, const std::string &sfen) {
    RecordNotes notes;
    const RecordResult result = readSfen(game, notes, sfen);
    ASSERT_TRUE(result.ok) << sfen << ": " << result.reason;
}

const char *const kStart = "startpos";
const char *const kMateInOne = "sfen 4k4/9/4P4/9/9/9/9/9/4K4 b G2r 1";

TEST(UsiMoveWord, ReadsAndWritesEveryForm) {
    for (const char *word : {"7g7f", "8h2b+", "P*5e", "G*5b", "1a9i", "9i1a+"}) {
        const std::optional<MoveSpec> move = readUsiMoveWord(word);
        ASSERT_TRUE(move) << word;
        EXPECT_EQ(usiMoveWord(*move), word);
    }
    for (const char *bad :
         {"", "7g7", "7g7f=", "0a1a", "7j7f", "K*5e", "X*5e", "P*5", "7g7f++", "pass", "resign"})
        EXPECT_FALSE(readUsiMoveWord(bad)) << bad;
}

TEST(TranslatePv, PlaysOnAScratchCopyAndCutsAtTheFirstIllegalMove) {
    struct Row {
        const char *position;
        std::vector<std::string> pv;
        std::size_t played;
        const char *text;
        const char *cutWord;
    };
    const Row rows[] = {
        {kStart, {"7g7f", "3c3d", "8h2b+", "3a2b"}, 4, "▲７六歩△３四歩▲２二角成△同　銀", ""},
        {kMateInOne, {"G*5b"}, 1, "▲５二金打", ""},
        // Sente's pawn cannot go sideways; what came before it stays.
        {kStart, {"7g7f", "3c3d", "2g3g", "8c8d"}, 2, "▲７六歩△３四歩", "2g3g"},
        // The side to move has no piece there, gote's pawn moved as sente's, a drop without a piece.
        {kStart, {"5e5d"}, 0, "", "5e5d"},
        {kStart, {"3c3d"}, 0, "", "3c3d"},
        {kStart, {"P*5e"}, 0, "", "P*5e"},
        {kStart, {"7g7f", "pass", "7f7e"}, 1, "▲７六歩", "pass"},
        // A promotion where none is possible, and a forced one left out.
        {kStart, {"7g7f+"}, 0, "", "7g7f+"},
        {"sfen 4k4/4P4/9/9/9/9/9/9/4K4 b - 1", {"5b5a"}, 0, "", "5b5a"},
        {"sfen 4k4/9/4P4/9/9/9/9/9/4K4 b - 1", {"5c5b+"}, 1, "▲５二歩成", ""},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.position);
        ZnBan game;
        load(game, row.position);
        const std::string before = positionSfen(game);
        ZnBan scratch;
        const BoardPv pv = translatePv(game, row.pv, scratch);
        EXPECT_EQ(pv.moves.size(), row.played);
        EXPECT_EQ(pv.text, row.text);
        EXPECT_EQ(pv.cutWord, row.cutWord);
        EXPECT_EQ(pv.cutWord.empty(), pv.cutReason.empty());
        EXPECT_EQ(positionSfen(game), before) << "the game is never changed";
        EXPECT_EQ(game.history().size(), 0u);
        EXPECT_EQ(scratch.moveCount(), static_cast<int>(row.played));
    }
}

TEST(SenteScore, TurnsSignsAndBoundsWhenGoteIsToMove) {
    struct Row {
        UsiScore score;
        Side toMove;
        const char *text;
    };
    const Row rows[] = {
        {{false, 123, true, ScoreBound::Exact}, SENTE, "+123"},
        {{false, 123, true, ScoreBound::Exact}, GOTE, "-123"},
        {{false, 0, true, ScoreBound::Exact}, GOTE, "0"},
        {{false, -40, true, ScoreBound::Lower}, SENTE, "-40↑"},
        {{false, -40, true, ScoreBound::Lower}, GOTE, "+40↓"},
        {{false, 75, true, ScoreBound::Upper}, GOTE, "-75↑"},
        {{true, 7, true, ScoreBound::Exact}, SENTE, "詰み 7手 先手勝ち"},
        {{true, 7, true, ScoreBound::Exact}, GOTE, "詰み 7手 後手勝ち"},
        {{true, -4, true, ScoreBound::Exact}, SENTE, "詰み 4手 後手勝ち"},
        {{true, -4, true, ScoreBound::Exact}, GOTE, "詰み 4手 先手勝ち"},
        {{true, 0, true, ScoreBound::Exact}, SENTE, "詰み 0手 後手勝ち"},
        {{true, 1, false, ScoreBound::Exact}, GOTE, "詰み 後手勝ち"},
        {{true, 3, true, ScoreBound::Lower}, GOTE, "詰み 3手 後手勝ち↓"},
    };
    for (const Row &row : rows) EXPECT_EQ(scoreText(senteView(row.score, row.toMove)), row.text);
}

TEST(AnalysisProblem, PositionsThatMustNotBeSent) {
    struct Row {
        const char *position;
        const char *reasonPart;  // "" when the position may be sent
    };
    const Row rows[] = {
        {kStart, ""},
        {kMateInOne, ""},
        {"sfen 9/9/4P4/9/9/9/9/9/4K4 b G 1", "後手の玉が盤上にない"},
        {"sfen 4k4/9/4P4/9/9/9/9/9/9 b Gk 1", "先手の玉が盤上にない"},
        // Sente to move, and sente's gold already attacks gote's king.
        {"sfen 4k4/4G4/9/9/9/9/9/9/4K4 b - 1", "王手がかかっている"},
        // Gote to move, and gote is in check: that is fine.
        {"sfen 4k4/4G4/9/9/9/9/9/9/4K4 w - 1", ""},
        {"sfen 4k4/9/4P4/9/4P4/9/9/9/4K4 b - 1", "先手の歩が５筋に二枚"},
        {"sfen 4k4/9/2p6/9/9/2p6/9/9/4K4 b - 1", "後手の歩が７筋に二枚"},
        // A tokin beside a pawn is no second pawn.
        {"sfen 4k4/9/4+P4/9/4P4/9/9/9/4K4 b - 1", ""},
        {"sfen P3k4/9/9/9/9/9/9/9/4K4 b - 1", "動けない位置"},
        {"sfen 4k4/9/9/9/9/9/9/n8/4K4 b - 1", "動けない位置"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.position);
        ZnBan game;
        load(game, row.position);
        const std::string problem = analysisProblem(game);
        if (*row.reasonPart == 0)
            EXPECT_EQ(problem, "");
        else
            EXPECT_NE(problem.find(row.reasonPart), std::string::npos) << problem;
    }
}

TEST(AttackBalance, ChangedSquaresAndEachSidesShare) {
    ZnBan game;
    load(game, kMateInOne);
    ZnBan after;
    const BoardPv pv = translatePv(game, {"G*5b"}, after);
    ASSERT_EQ(pv.moves.size(), 1u);
    std::vector<std::string> texts;
    for (const BalanceChange &change : changedBalances(game, after))
        texts.push_back(balanceChangeText(change));
    // The gold evens the squares beside gote's king and takes the king's own square and the one
    // behind it; its own square stays even (the pawn against the king).
    EXPECT_EQ(texts, (std::vector<std::string>{"４一 0対1 → 1対1", "５一 0対0 → 1対0", "６一 0対1 → 1対1",
                                               "４二 0対1 → 1対1", "６二 0対1 → 1対1", "５三 0対0 → 1対0"}));

    const SideBalance gote = sideBalance(after, GOTE);
    EXPECT_EQ(gote.kingZoneSquaresAttacked, 5);
    EXPECT_EQ(gote.kingZoneAttacks, 5);
    EXPECT_TRUE(gote.losing.empty());
    ZnBan hanging;
    load(hanging, "sfen 4k4/9/4p4/4P4/9/9/9/9/4K4 b - 1");
    const SideBalance sente = sideBalance(hanging, SENTE);
    ASSERT_EQ(sente.losing.size(), 1u);
    EXPECT_EQ(sideBalanceText(hanging, SENTE, sente).find("取られる駒 ５四歩"),
              std::string("先手 優勢 ").size() + std::to_string(sente.squaresAhead).size() +
                  std::string("マス・").size());
}

}  // namespace
