#include "core/rules.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <sstream>
#include <tuple>

#include "common/records.h"
#include "common/testing.h"
#include "record/sfen.h"

namespace {

Square usiSquare(char file, char rank) { return static_cast<Square>(squareAt(rank - 'a', file - '1')); }

// "7g7f", "2b2a+", "P*1b".
Move usiMove(const std::string &word) {
    if (word[1] == '*') {
        const std::string letters = "KRBGSNLP";
        return {IN_HAND, usiSquare(word[2], word[3]), false, static_cast<PieceKind>(letters.find(word[0]))};
    }
    return {usiSquare(word[0], word[1]), usiSquare(word[2], word[3]), word.size() == 5, 0};
}

void play(ZnBan &game, const std::string &moves) {
    std::istringstream words(moves);
    for (std::string word; words >> word;) ASSERT_TRUE(applyMove(game, usiMove(word))) << word;
}

bool sameMoves(std::vector<Move> a, std::vector<Move> b) {
    auto order = [](const Move &x, const Move &y) {
        return std::tie(x.from, x.to, x.promote, x.dropKind) < std::tie(y.from, y.to, y.promote, y.dropKind);
    };
    std::sort(a.begin(), a.end(), order);
    std::sort(b.begin(), b.end(), order);
    return a == b;
}

}  // namespace

TEST(LegalMoves, CountsFromTheStartMatchStandardShogi) {
    ZnBan game;
    const std::array<std::uint64_t, 5> expected = {1, 30, 900, 25470, 719731};
    for (int depth = 0; depth < 5; ++depth)
        EXPECT_EQ(legalPerft(game, depth), expected[static_cast<std::size_t>(depth)]);
    EXPECT_EQ(findInconsistency(game), "");
    EXPECT_EQ(game.moveCount(), 0);
}

// One rule per position; the counts agree with fairy-stockfish's go perft, but for the pawn drop
// that mates, which it still counts at depth 1.
TEST(LegalMoves, PerftOfPositionsThatTestOneRuleEach) {
    struct Row {
        const char *rule;
        const char *sfen;
        std::array<std::uint64_t, 3> counts;
    };
    const Row rows[] = {
        {"a pawn drop that mates is refused", "8k/9/6NG1/9/9/9/9/9/4K4 b P 1", {80, 7, 557}},
        {"the same drop of a lance is allowed", "8k/9/6NG1/9/9/9/9/9/4K4 b L 1", {81, 7, 557}},
        {"a pawn drop checking without mate is allowed", "8k/9/7G1/9/9/9/9/9/4K4 b P 1", {81, 83, 1958}},
        {"a pinned gold keeps to its line", "4r3k/9/9/9/9/9/9/4G4/4K4 b - 1", {5, 93, 841}},
        {"a check answered by interposing drops", "4r3k/9/9/9/9/9/9/9/4K4 b G 1", {11, 185, 6350}},
        {"no drop where the piece could never move", "4k4/9/9/9/9/9/9/9/4K4 b NLP 1", {209, 994, 141951}},
        {"no second pawn on a file", "4k4/9/9/9/9/9/PPPP5/9/4K4 b P 1", {48, 237, 4133}},
        {"forced promotions", "4k4/7P1/7N1/9/9/9/9/8L/4K4 b - 1", {17, 84, 1257}},
        {"a tsume: the attacker has no king to keep safe", "4k4/9/4P4/9/9/9/9/9/9 b G2r 1", {81, 6076, 43600}},
        {"no king on either side: moves by the free board's rules", "9/9/4p4/9/9/9/9/4P4/9 b P 1", {65, 65, 209}},
    };
    for (const Row &row : rows) {
        ZnBan game;
        loadSfen(game, row.sfen);
        for (int depth = 1; depth <= 3; ++depth)
            EXPECT_EQ(legalPerft(game, depth), row.counts[static_cast<std::size_t>(depth - 1)])
                << row.rule << " depth " << depth;
    }
}

// A side with no king, as the attacker of a tsume, is judged with nothing to keep safe; the other
// side's king is judged as always; a second king or a king in hand leaves check undefined.
TEST(RulesProblem, TsumeWithoutTheAttackersKingIsJudgedTwoKingsAreNot) {
    const struct {
        const char *sfen, *problem;
        bool check;
    } rows[] = {
        {"4k4/9/4P4/9/9/9/9/9/9 b G2r 1", "", false},
        {"4k4/4P4/9/9/9/9/9/9/9 w G2r 1", "", true},
        {"9/9/9/9/9/9/9/9/4K4 b - 1", "", false},
        {"9/9/4p4/9/9/9/9/4P4/9 b - 1", "盤上に玉がありません", false},
        {"4k4/4P4/9/9/9/9/9/9/9 b G 1", "手番でない側に王手がかかっています", false},
        {"4k4/9/9/9/9/9/9/9/9 b K 1", "玉が駒台にあります", false},
    };
    for (const auto &row : rows) {
        ZnBan game;
        loadSfen(game, row.sfen);
        EXPECT_EQ(rulesProblem(game), row.problem) << row.sfen;
        EXPECT_EQ(judge(game).check, row.check) << row.sfen;
    }
    // The record readers refuse a second king, so it is set up piece by piece.
    ZnBan twoKings;
    loadSfen(twoKings, "4k4/9/9/9/9/9/9/9/4K4 b - 1");
    ASSERT_TRUE(twoKings.placePiece(makeKoma(KING, squareAt(0, 0), GOTE)));
    twoKings.rebuildAttackMaps();
    EXPECT_EQ(rulesProblem(twoKings), "玉が二枚ある側があります");
}

TEST(CheckMove, NamesTheRuleAMoveBreaks) {
    const char *start = "lnsgkgsnl/1r5b1/ppppppppp/9/9/9/PPPPPPPPP/1B5R1/LNSGKGSNL b - 1";
    const char *pawnMate = "8k/9/6NG1/9/9/9/9/9/4K4 b P 1";
    // The gold on 2b could take the pawn but for the bishop pinning it to its king.
    const char *pinnedTaker = "8k/6Sg1/8G/9/4B4/9/9/9/4K4 b P 1";
    const char *freeTaker = "8k/6Sg1/8G/9/9/9/9/9/4K4 b P 1";
    const char *twoPawns = "4k4/9/9/9/9/9/PPPP5/9/4K4 b P 1";
    const char *hand = "4k4/9/9/9/9/9/9/9/4K4 b NLP 1";
    const char *forced = "4k4/7P1/7N1/9/9/9/9/8L/4K4 b - 1";
    const char *pinned = "4r3k/9/9/9/9/9/9/4G4/4K4 b - 1";
    const char *checked = "4r3k/9/9/9/9/9/9/9/4K4 b G 1";
    const char *rookBeside = "8k/9/9/9/9/9/9/9/3rK4 b - 1";
    const char *rookNear = "8k/9/9/9/9/9/9/3r5/4K4 b - 1";
    // No sente king: its gold is pinned to nothing, and a pawn drop mating gote is still refused.
    const char *tsume = "4r3k/9/6NG1/9/9/9/9/4G4/9 b P 1";
    struct Row {
        const char *sfen;
        const char *move;
        Refusal expected;
    };
    const Row rows[] = {
        {start, "7g7f", Refusal::None},
        {start, "7g7e", Refusal::CannotReach},
        {start, "P*5e", Refusal::NotInHand},
        {start, "5e5d", Refusal::NoPiece},
        {start, "3c3d", Refusal::NotYourPiece},
        {start, "7g7f+", Refusal::CannotPromote},
        {pawnMate, "P*1b", Refusal::PawnDropMate},
        {pinnedTaker, "P*1b", Refusal::PawnDropMate},
        {freeTaker, "P*1b", Refusal::None},
        {twoPawns, "P*9e", Refusal::TwoPawns},
        {hand, "N*5b", Refusal::DeadEnd},
        {hand, "L*1a", Refusal::DeadEnd},
        {hand, "N*5i", Refusal::Occupied},
        {forced, "2b2a", Refusal::DeadEnd},
        {forced, "2b2a+", Refusal::None},
        {forced, "2c1a", Refusal::DeadEnd},
        {forced, "1h1a+", Refusal::None},
        {pinned, "5h4h", Refusal::IntoCheck},
        {checked, "G*4e", Refusal::LeavesCheck},
        {checked, "G*5e", Refusal::None},
        {checked, "5i5h", Refusal::LeavesCheck},
        {rookBeside, "5i4i", Refusal::LeavesCheck},
        {rookBeside, "5i6i", Refusal::None},
        {rookNear, "5i5h", Refusal::IntoCheck},
        {tsume, "5h4h", Refusal::None},
        {tsume, "P*1b", Refusal::PawnDropMate},
    };
    for (const Row &row : rows) {
        ZnBan game;
        loadSfen(game, row.sfen);
        const Move move = usiMove(row.move);
        EXPECT_EQ(checkMove(game, move), row.expected) << row.sfen << " " << row.move;
        std::vector<Move> legal;
        legalMoves(game, legal);
        EXPECT_EQ(std::count(legal.begin(), legal.end(), move), row.expected == Refusal::None ? 1 : 0)
            << row.move;
    }
}

// A line the free board played is judged again move by move: the first move the rules refuse is
// found however the moves after it go, and a start the rules cannot judge is said so.
TEST(FirstFoul, NamesTheFirstMoveTheRulesRefuse) {
    const struct {
        const char *sfen, *moves;
        bool judged;
        int ply;
        Refusal refusal;
    } rows[] = {
        {"lnsgkgsnl/1r5b1/ppppppppp/9/9/9/PPPPPPPPP/1B5R1/LNSGKGSNL b - 1", "7g7f 3c3d 8h2b+", true, -1,
         Refusal::None},
        {"8k/6S2/7G1/9/9/9/9/9/4K4 b P 1", "P*1b", true, 0, Refusal::PawnDropMate},
        {"4r3k/9/9/9/9/9/9/4G4/4K4 b - 1", "5h4h 1a1b", true, 0, Refusal::IntoCheck},
        {"4k4/9/9/9/9/9/9/9/4K4 b Gr 1", "5i4h R*4a G*5e 5a5b", true, 2, Refusal::LeavesCheck},
        {"4k4/4R4/9/9/9/9/9/9/4K4 b G 1", "G*5e", false, -1, Refusal::None},
    };
    for (const auto &row : rows) {
        ZnBan game;
        loadSfen(game, row.sfen);
        play(game, row.moves);
        const LineFoul foul = firstFoul(game);
        EXPECT_EQ(foul.judged, row.judged) << row.moves;
        EXPECT_EQ(foul.ply, row.ply) << row.moves;
        EXPECT_EQ(foul.refusal, row.refusal) << row.moves;
    }
}

// Legal moves are the free board's moves that leave the mover's king unattacked, less the pawn
// drops after which the other side has no move: checked by making every move, in random games.
TEST(LegalMoves, AgreeWithTryingEveryFreeMoveInRandomGames) {
    std::mt19937 random(26);
    int checks = 0, givingChecks = 0;
    for (int gameNumber = 0; gameNumber < 12; ++gameNumber) {
        ZnBan game;
        for (int ply = 0; ply < 160; ++ply) {
            ASSERT_EQ(rulesProblem(game), "");
            std::vector<Move> free, expected, legal, checking, expectedChecks;
            generateMoves(game, free);
            for (const Move &move : free) {
                const std::uint64_t predicted = keyAfter(game, move);
                ASSERT_TRUE(applyMove(game, move));
                EXPECT_EQ(game.key(), predicted);
                const bool exposed = kingInCheck(game, otherSide(game.turn()));
                const bool check = inCheck(game);
                const bool pawnMate = move.from == IN_HAND && move.dropKind == PAWN && check && !hasLegalMove(game);
                game.undoMove();
                EXPECT_EQ(checkMove(game, move) == Refusal::None, !exposed && !pawnMate);
                if (!exposed && !pawnMate) expected.push_back(move);
                if (!exposed && !pawnMate && check) expectedChecks.push_back(move);
            }
            legalMoves(game, legal);
            ASSERT_TRUE(sameMoves(legal, expected)) << "game " << gameNumber << " ply " << ply;
            // The checks found without making a move are those that check once made.
            checkingMoves(game, checking);
            ASSERT_TRUE(sameMoves(checking, expectedChecks)) << "game " << gameNumber << " ply " << ply;
            givingChecks += !checking.empty();
            ASSERT_EQ(countLegalMoves(game), static_cast<int>(legal.size()));
            checks += inCheck(game);
            if (legal.empty()) break;
            ASSERT_TRUE(applyMove(game, legal[random() % legal.size()]));
        }
    }
    EXPECT_GT(checks, 20);
    EXPECT_GT(givingChecks, 100);
}

TEST(Repetition, FourthOccurrenceAndTheSideThatCheckedEveryMove) {
    const char *senteChecks = "7k1/9/9/9/9/9/9/9/4K3R b - 1";
    const std::string checking = " 1i2i 2a1a 2i1i 1a2a";
    const std::string quiet = " 1i1h 2a2b 1h1i 2b2a";
    const char *goteChecks = "r3k4/9/9/9/9/9/9/9/1K7 w - 1";
    const std::string goteCycle = " 9a8a 8i9i 8a9a 9i8i";
    const std::string kings = " 5i5h 5a5b 5h5i 5b5a";
    struct Row {
        const char *sfen;
        std::string moves;
        int occurrences;
        Repetition expected;
    };
    const Row rows[] = {
        {"startpos", kings + kings, 3, Repetition::None},
        {"startpos", kings + kings + kings, 4, Repetition::Draw},
        {senteChecks, checking + checking, 3, Repetition::None},
        {senteChecks, checking + checking + checking, 4, Repetition::SenteChecked},
        {senteChecks, checking + checking + quiet, 4, Repetition::Draw},
        {senteChecks, quiet + checking + checking, 4, Repetition::Draw},
        {senteChecks, quiet + checking + checking + checking, 5, Repetition::SenteChecked},
        {goteChecks, goteCycle + goteCycle + goteCycle, 4, Repetition::GoteChecked},
    };
    for (const Row &row : rows) {
        ZnBan game;
        loadSfen(game, row.sfen);
        play(game, row.moves);
        EXPECT_EQ(occurrences(game), row.occurrences) << row.sfen << row.moves;
        EXPECT_EQ(repetition(game), row.expected) << row.sfen << row.moves;
    }
}

TEST(Declaration, EachConditionAndPointBoundaryUnderBothRules) {
    const std::string camp = "LNSG1GSNL/1R2K2B1/9/9/9/9/9/9/4k4 b ";
    const std::string goteCamp = "4K4/9/9/9/9/9/9/1r2k2b1/lnsg1gsnl w ";
    using enum Declaration;
    struct Row {
        std::string sfen;
        DeclarationRule rule;
        Declaration expected;
        int points;
    };
    const Row rows[] = {
        {camp + "RB 1", DeclarationRule::Points27, Win, 28},
        {camp + "B4P 1", DeclarationRule::Points27, Lose, 27},
        {camp + "B4P 1", DeclarationRule::Points24, Draw, 27},
        {camp + "RB3P 1", DeclarationRule::Points24, Win, 31},
        {camp + "6P 1", DeclarationRule::Points24, Draw, 24},
        {camp + "5P 1", DeclarationRule::Points24, Lose, 23},
        {"LNSG1GSN1/1R2K2B1/9/9/9/9/9/9/4k4 b RB5P 1", DeclarationRule::Points27, Lose, 32},
        {"LNSG1GSNL/1R5B1/9/4K4/9/9/9/9/4k4 b RB 1", DeclarationRule::Points27, Lose, 28},
        {"LNSG1GSNL/1R2K2B1/4g4/9/9/9/9/9/4k4 b RB 1", DeclarationRule::Points27, Lose, 28},
        {goteCamp + "R2G2S2N2L14Pb4p 1", DeclarationRule::Points27, Win, 27},
        {goteCamp + "R2G2S2N2L15Pb3p 1", DeclarationRule::Points27, Lose, 26},
        // A rook short of a full set counts for gote, the giver of a handicap.
        {goteCamp + "2G2S2N2L15Pb3p 1", DeclarationRule::Points27, Win, 31},
    };
    for (const Row &row : rows) {
        ZnBan game;
        loadSfen(game, row.sfen);
        EXPECT_EQ(declarationPoints(game, game.turn()), row.points) << row.sfen;
        EXPECT_EQ(judgeDeclaration(game, row.rule), row.expected) << row.sfen;
    }
}
