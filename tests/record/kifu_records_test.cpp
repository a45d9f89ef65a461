// Hand-written KIF and KI2 records: 同, 不成, promoted movers, drops, comments, times, end words,
// branches, handicaps and board diagrams; the exact text the KIF writer gives; and every kind of
// bad input, each refused with a reason while the game already loaded stays as it was.

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "common/records.h"
#include "common/testing.h"
#include "core/verify.h"
#include "record/ki2.h"
#include "record/kif.h"
#include "record/play.h"
#include "record/position.h"
#include "record/sfen.h"

namespace {

PositionSpec positionOfSfen(std::string_view sfen) {
    ZnBan game;
    RecordNotes notes;
    EXPECT_TRUE(readSfen(game, notes, sfen).ok) << sfen;
    return positionOf(game);
}

// A set-up start (its legend in ASCII): sente's silver and rook against gote's king and gold, hands.
const std::string DIAGRAM = lines({
    "# 詰め将棋の練習",
    "手合割：平手",
    "後手の持駒：金　",
    "  9  8  7  6  5  4  3  2  1",
    "+---------------------------+",
    "| ・ ・ ・ ・v玉 ・v金 ・ ・|一",
    "| ・ ・ ・ ・ ・ ・ ・ ・ ・|二",
    "| ・ ・ ・ ・ ・ ・ ・v歩 ・|三",
    "| ・ ・ ・ ・ ・ ・ 銀 ・ ・|四",
    "| ・ ・ ・ ・ ・ ・ ・ ・ ・|五",
    "| ・ ・ ・ ・ ・ ・ ・ ・ ・|六",
    "| ・ ・ ・ ・ ・ ・ ・ ・ ・|七",
    "| ・ ・ ・ ・ ・ ・ ・ 飛 ・|八",
    "| ・ ・ ・ ・ 玉 ・ ・ ・ ・|九",
    "+---------------------------+",
    "先手の持駒：角　歩二　",
    "先手番",
});

// After 不成, a promotion with capture, a drop, a dragon's move, 同, a promotion and a promoted
// silver's move; gote holds the dragon it took.
constexpr std::string_view FINAL_SFEN = "6+S2/4g2g1/4k4/9/9/9/9/9/4K4 w B3Pr 10";

TEST(KifRecords, ReadsEveryKindOfMoveFromABoardDiagram) {
    const std::string text = DIAGRAM + lines({
                                           "先手：先手名人",
                                           "手数----指手---------消費時間--",
                                           "*開始局面のコメント",
                                           "&しおり",
                                           "   1 ３三銀不成(34)   ( 0:10/00:00:10)",
                                           "*銀を成らずに",
                                           "*二行目",
                                           "   2 △４二玉(51)   ( 1:05/00:01:05)",
                                           "   3 ２三飛成(28) ( 0:03/00:00:13)",
                                           "   4 ５二金打     ( 0:00/00:01:05)",
                                           "   5 ２二竜(23)   (0:1/0:0:14)",
                                           "   6 仝　金(31)   ( 0:02/00:01:07)",
                                           "   7 ３二銀成(33)",
                                           "   8 ５三玉(42)   ( 0:00/00:01:07)+",
                                           "   9 ３一成銀(32) ( 0:00/00:00:14)",
                                           "  10 投了         ( 0:05/00:01:12)",
                                           "まで9手で先手の勝ち",
                                           "以下略",
                                           "",
                                           "変化：5手",
                                           "   5 １二竜(23)   ( 0:00/00:00:00)",
                                           "変化：3手",
                                           "   3 ２四飛(28)   ( 0:00/00:00:00)",
                                           "*分岐のコメントは本譜に入らない",
                                       });
    ZnBan game;
    RecordNotes notes;
    const RecordResult result = readKif(game, notes, text);
    ASSERT_TRUE(result.ok) << result.reason;
    EXPECT_EQ(positionOf(game), positionOfSfen(FINAL_SFEN));
    EXPECT_EQ(findInconsistency(game), "");
    EXPECT_EQ(notes.endWord, "投了");
    // Said after the end word, it is the end word's own.
    EXPECT_EQ(notes.endComments, std::vector<std::string>{"以下略"});
    EXPECT_EQ(notes.tree.branchCount(), 2);
    EXPECT_EQ(notes.header("先手"), "先手名人");
    EXPECT_EQ(notes.header("手合割"), "平手");
    EXPECT_EQ(notes.startComments, std::vector<std::string>{"開始局面のコメント"});
    EXPECT_EQ(notes.commentsAfter(1), (std::vector<std::string>{"銀を成らずに", "二行目"}));
    EXPECT_TRUE(notes.commentsAfter(3).empty());
    const std::vector<int> seconds = {10, 65, 3, 0, 1, 2, -1, 0, 0};
    for (std::size_t move = 1; move <= seconds.size(); ++move)
        EXPECT_EQ(notes.msOf(move), seconds[move - 1] < 0 ? -1 : seconds[move - 1] * 1000);
    // The moves are the game's own: 不成 kept the silver unpromoted, 成 promoted the rook.
    ASSERT_EQ(game.history().size(), 9u);
    EXPECT_FALSE(game.history()[0].promoted);
    EXPECT_TRUE(game.history()[2].promoted);
    EXPECT_EQ(game.history()[3].from, IN_HAND);
    EXPECT_EQ(game.history()[5].from, sq(3, 1));
    while (game.moveCount() > 0) ASSERT_TRUE(game.undoMove());
    EXPECT_EQ(positionOf(game), positionOfSfen("4k1g2/9/7p1/6S2/9/9/9/7R1/4K4 b B2Pg 1"));
}

TEST(Ki2Records, ReadsTheSameGameWithoutOrigins) {
    const std::string text = DIAGRAM + lines({
                                           "*開始局面のコメント",
                                           "▲３三銀不成△４二玉    ▲２三飛成  △５二金打",
                                           "*金を打った",
                                           "▲２二龍    ▽同　金    ▲３二銀成  ☖５三玉",
                                           "☗３一成銀",
                                           "まで9手で先手の勝ち",
                                           "",
                                           "変化：6手",
                                           "△５一玉",
                                       });
    ZnBan game;
    RecordNotes notes;
    const RecordResult result = readKi2(game, notes, text);
    ASSERT_TRUE(result.ok) << result.reason;
    EXPECT_EQ(positionOf(game), positionOfSfen(FINAL_SFEN));
    EXPECT_EQ(notes.endWord, "投了");
    EXPECT_EQ(notes.tree.branchCount(), 1);
    EXPECT_EQ(notes.commentsAfter(4), std::vector<std::string>{"金を打った"});
    EXPECT_TRUE(notes.moveMs.empty());
}

TEST(KifRecords, HandicapGiverMovesFirstAndEndSentencesNameTheirWord) {
    ZnBan game;
    RecordNotes notes;
    const RecordResult result = readKif(
        game, notes,
        lines({"手合割：香落ち　", "下手：下手さん", "上手：上手さん", "手数----指手---------消費時間--",
               "1 ５四歩(53)", "2 ７六歩(77)", "まで2手で時間切れにより下手の勝ち"}));
    ASSERT_TRUE(result.ok) << result.reason;
    EXPECT_EQ(positionOf(game),
              positionOfSfen("lnsgkgsn1/1r5b1/pppp1pppp/4p4/9/2P6/PP1PPPPPP/1B5R1/LNSGKGSNL w - 3"));
    EXPECT_EQ(notes.endWord, "切れ負け");
    EXPECT_EQ(notes.header("上手"), "上手さん");
    EXPECT_TRUE(writeKif(game, notes).ends_with("\r\nまで2手で時間切れにより下手の勝ち\r\n"));

    const struct {
        std::string_view sentence, word;
    } endings[] = {
        {"まで0手で後手の勝ち", "投了"},
        {"まで0手で中断", "中断"},
        {"まで0手で千日手", "千日手"},
        {"まで0手で持将棋", "持将棋"},
        {"まで0手で先手の反則勝ち", "反則勝ち"},
        {"まで0手で後手の反則負け", "反則負け"},
        {"まで0手で先手の入玉勝ち", "入玉勝ち"},
        {"まで0手詰", "詰み"},
        {"まで0手で詰み", "詰み"},
        {"まで0手で不詰", "不詰"},
        {"▲詰", "詰み"},
    };
    for (const auto &ending : endings) {
        ASSERT_TRUE(readKi2(game, notes, std::string(ending.sentence)).ok) << ending.sentence;
        EXPECT_EQ(notes.endWord, ending.word) << ending.sentence;
        // The KI2 writer's sentence reads back as the same word.
        ASSERT_TRUE(readKi2(game, notes, writeKi2(game, notes)).ok) << ending.sentence;
        EXPECT_EQ(notes.endWord, ending.word) << writeKi2(game, notes);
    }
}

TEST(KifRecords, AnyLineEndReadsTheSameGame) {
    const std::string record =
        "手合割：平手|手数----指手---------消費時間--|1 ７六歩(77)|*一手目|2 ３四歩(33)|3 中断";
    std::string key;
    for (std::string_view end : {"\n", "\r\n", "\r"}) {
        std::string text;
        for (char c : record) c == '|' ? text += end : text += c;
        ZnBan game;
        RecordNotes notes;
        const RecordResult result = readKif(game, notes, text);
        ASSERT_TRUE(result.ok) << result.reason;
        EXPECT_EQ(game.moveCount(), 2);
        EXPECT_EQ(notes.commentsAfter(1), std::vector<std::string>{"一手目"});
        EXPECT_EQ(notes.endWord, "中断");
        if (key.empty()) key = positionKey(game);
        EXPECT_EQ(positionKey(game), key);
    }
}

TEST(KifRecords, WritesTheUsualLayout) {
    ZnBan game;
    const Move moves[] = {
        {sq(7, 7), sq(7, 6), false, PAWN},  {sq(3, 3), sq(3, 4), false, PAWN},
        {sq(8, 8), sq(2, 2), true, PAWN},   {sq(3, 1), sq(2, 2), false, PAWN},
        {IN_HAND, sq(4, 5), false, BISHOP},
    };
    for (const Move &move : moves) ASSERT_EQ(playMove(game, move), "");
    RecordNotes notes;
    notes.setHeader("開始日時", "2024/01/02");
    notes.setHeader("先手", "甲");
    notes.startComments = {"はじめ"};
    notes.commentsAfter(3) = {"角交換"};
    notes.moveMs = {1000, 62000, -1, 3600000};
    notes.endWord = "中断";
    notes.endMs = 7000;
    EXPECT_EQ(writeKif(game, notes), lines({
                                         "手合割：平手",
                                         "開始日時：2024/01/02",
                                         "先手：甲",
                                         "手数----指手---------消費時間--",
                                         "*はじめ",
                                         "   1 ７六歩(77)   ( 0:01/00:00:01)",
                                         "   2 ３四歩(33)   ( 1:02/00:01:02)",
                                         "   3 ２二角成(88) ( 0:00/00:00:01)",
                                         "*角交換",
                                         "   4 同　銀(31)   (60:00/01:01:02)",
                                         "   5 ４五角打     ( 0:00/00:00:01)",
                                         "   6 中断         ( 0:07/01:01:09)",
                                         "まで5手で中断",
                                     }));
    EXPECT_EQ(writeKi2(game, notes), lines({
                                         "手合割：平手",
                                         "開始日時：2024/01/02",
                                         "先手：甲",
                                         "*はじめ",
                                         "▲７六歩    △３四歩    ▲２二角成",
                                         "*角交換",
                                         "△同　銀    ▲４五角",
                                         "まで5手で中断",
                                     }));
}

// ---- KI2: which piece a move without its origin names ----

struct Ki2Case {
    const char *what;
    std::vector<Placement> pieces;
    Side turn;
    Square from;  // IN_HAND for a drop
    Square to;
    PieceKind dropKind;
    const char *text;  // the move as KI2 writes it
};

std::vector<Ki2Case> ki2Cases() {
    const auto s = [](PieceCode code, int file, int rank) { return Placement{code, sq(file, rank), SENTE}; };
    const auto g = [](PieceCode code, int file, int rank) { return Placement{code, sq(file, rank), GOTE}; };
    const PieceCode dragon = ROOK + PROMOTED_OFFSET;
    return {
        {"two golds, the right one",
         {s(GOLD, 4, 9), s(GOLD, 6, 9)},
         SENTE,
         sq(4, 9),
         sq(5, 8),
         0,
         "▲５八金右"},
        {"two golds, the left one",
         {s(GOLD, 4, 9), s(GOLD, 6, 9)},
         SENTE,
         sq(6, 9),
         sq(5, 8),
         0,
         "▲５八金左"},
        {"straight up", {s(GOLD, 4, 9), s(GOLD, 5, 9)}, SENTE, sq(5, 9), sq(5, 8), 0, "▲５八金直"},
        {"three golds, the middle",
         {s(GOLD, 4, 9), s(GOLD, 5, 9), s(GOLD, 6, 9)},
         SENTE,
         sq(5, 9),
         sq(5, 8),
         0,
         "▲５八金直"},
        {"three golds, the left",
         {s(GOLD, 4, 9), s(GOLD, 5, 9), s(GOLD, 6, 9)},
         SENTE,
         sq(6, 9),
         sq(5, 8),
         0,
         "▲５八金左"},
        {"silver moving up", {s(SILVER, 4, 9), s(SILVER, 4, 7)}, SENTE, sq(4, 9), sq(5, 8), 0, "▲５八銀上"},
        {"silver moving back", {s(SILVER, 4, 9), s(SILVER, 4, 7)}, SENTE, sq(4, 7), sq(5, 8), 0, "▲５八銀引"},
        {"gold moving sideways", {s(GOLD, 6, 8), s(GOLD, 6, 9)}, SENTE, sq(6, 8), sq(5, 8), 0, "▲５八金寄"},
        {"right and up together",
         {s(GOLD, 4, 9), s(GOLD, 6, 9), s(GOLD, 4, 8)},
         SENTE,
         sq(4, 9),
         sq(5, 8),
         0,
         "▲５八金右上"},
        {"dragons by side", {s(dragon, 9, 5), s(dragon, 1, 5)}, SENTE, sq(1, 5), sq(5, 5), 0, "▲５五龍右"},
        {"gote's right is file 9", {g(GOLD, 4, 1), g(GOLD, 6, 1)}, GOTE, sq(6, 1), sq(5, 2), 0, "△５二金右"},
        {"gote's silver moving back",
         {g(SILVER, 6, 1), g(SILVER, 6, 3)},
         GOTE,
         sq(6, 3),
         sq(5, 2),
         0,
         "△５二銀引"},
        {"a drop where a gold could move",
         {s(GOLD, 6, 9), Placement{GOLD, IN_HAND, SENTE}},
         SENTE,
         IN_HAND,
         sq(5, 8),
         GOLD,
         "▲５八金打"},
        {"a drop no piece could make",
         {s(GOLD, 6, 9), Placement{GOLD, IN_HAND, SENTE}},
         SENTE,
         IN_HAND,
         sq(5, 5),
         GOLD,
         "▲５五金"},
        {"one gold needs nothing",
         {s(GOLD, 6, 9), Placement{GOLD, IN_HAND, SENTE}},
         SENTE,
         sq(6, 9),
         sq(5, 8),
         0,
         "▲５八金"},
    };
}

class Ki2Disambiguation : public ::testing::TestWithParam<Ki2Case> {};

TEST_P(Ki2Disambiguation, WritesTheShortestFormAndReadsItBack) {
    const Ki2Case &row = GetParam();
    ZnBan game;
    setUpPosition(game, row.pieces, row.turn);
    RecordNotes notes;
    const std::string start = writeKi2(game, notes);
    ASSERT_EQ(playMove(game, {row.from, row.to, false, row.dropKind}), "");
    const std::string written = writeKi2(game, notes);
    ASSERT_EQ(written.substr(0, start.size()), start);
    EXPECT_EQ(written.substr(start.size()), std::string(row.text) + "\r\n");

    ZnBan read;
    const RecordResult result = readKi2(read, notes, start + row.text + "\r\n");
    ASSERT_TRUE(result.ok) << result.reason;
    ASSERT_EQ(read.history().size(), 1u);
    EXPECT_EQ(read.history()[0].from, row.from);
    EXPECT_EQ(positionKey(read), positionKey(game));
}

INSTANTIATE_TEST_SUITE_P(Moves, Ki2Disambiguation, ::testing::ValuesIn(ki2Cases()));

// ---- bad input ----

struct BadInput {
    const char *what;
    std::string text;
    const char *reason;  // a part of the reason
};

std::vector<BadInput> badKif() {
    const std::string head = lines({"手合割：平手", "手数----指手---------消費時間--"});
    return {
        {"empty", "", "空"},
        {"blank lines only", "\r\n \r\n\t\r\n", "空"},
        {"a line that is no part of KIF", "hello world\n", "1行目: 読めない行"},
        {"a truncated move", head + "   1 ７六\r\n", "3行目: 駒の名前"},
        {"a truncated time", head + "   1 ７六歩(77)   ( 0:\r\n", "3行目: 消費時間"},
        {"a move without its origin", head + "   1 ７六歩\r\n", "3行目: 移動元"},
        {"a square off the board", head + "   1 ０六歩(77)\r\n", "3行目: 指し手"},
        {"an origin off the board", head + "   1 ７六歩(70)\r\n", "3行目: 移動元"},
        {"an unknown piece", head + "   1 ７六象(77)\r\n", "3行目: 駒の名前"},
        {"a move from an empty square", head + "   1 ７五歩(76)\r\n", "3行目: 移動元に駒がありません"},
        {"the origin holds another piece", head + "   1 ７六銀(77)\r\n", "3行目: 移動元の駒は「歩」"},
        {"gote's piece on sente's turn", head + "   1 ３四歩(33)\r\n", "3行目: 手番"},
        {"a move the piece cannot make", head + "   1 ７五歩(77)\r\n", "3行目: その駒はそこへ動けません"},
        {"a drop of a piece not held", head + "   1 ５五角打\r\n", "3行目: 打つ駒を持っていません"},
        {"a drop of a promoted piece", head + "   1 ５五馬打\r\n", "3行目: 成駒は打てません"},
        {"同 as the first move", head + "   1 同　歩(77)\r\n", "3行目: 前の手がない"},
        {"a drop on an occupied square",
         head + lines({"1 ７六歩(77)", "2 ３四歩(33)", "3 ２二角成(88)", "4 同　銀(31)", "5 ２一角打"}),
         "7行目: 駒のある所には打てません"},
        {"a gap in the move numbers", head + lines({"1 ７六歩(77)", "3 ３四歩(33)"}),
         "4行目: 手数が続いていません"},
        {"a move after the end word", head + lines({"1 投了", "2 ７六歩(77)"}), "4行目: 終局の後"},
        {"free text in moves", head + lines({"1 ７六歩(77)", "以下略", "2 投了"}), "4行目: 読めない行"},
        {"a branch for a move the line before it lacks",
         head + lines({"1 ７六歩(77)", "変化：2手", "2 ３四歩(33)"}),
         "4行目: 変化：2手の手が前の手順にありません"},
        {"a branch before any move", head + lines({"変化：1手", "1 ７六歩(77)"}),
         "3行目: 変化：1手の手が前の手順"},
        {"a branch whose first move is illegal",
         head + lines({"1 ７六歩(77)", "2 ３四歩(33)", "変化：2手", "2 ７五歩(76)"}), "6行目: 手番"},
        {"a branch without its number", head + lines({"1 ７六歩(77)", "変化：手"}),
         "4行目: 変化の手数が読めません"},
        {"an unknown handicap without a diagram", lines({"手合割：七枚落ち", "1 ７六歩(77)"}),
         "2行目: 手合割「七枚落ち」"},
        {"an absurd hand count", lines({"先手の持駒：歩十九"}), "1行目: 持駒の数が多すぎます"},
        {"an absurd hand count in digits", lines({"後手の持駒：角99999999"}), "1行目: 持駒の数が多すぎます"},
        {"a promoted piece in hand", lines({"先手の持駒：と"}), "1行目: 持駒にできない駒"},
        {"a promoted piece in hand", lines({"上手の持ち駒：と"}), "1行目: 持駒にできない駒"},
        {"a board row of eight squares", lines({"| ・ ・ ・ ・ ・ ・ ・ ・|一"}),
         "1行目: 盤面図の段が9マスではありません"},
        {"an unknown piece on the board", lines({"| ・ ・ ・ ・ ・ ・ ・ ・ 象|一"}), "1行目: 盤面図の駒"},
        {"a board of eight rows",
         lines({"| ・ ・ ・ ・ ・ ・ ・ ・ ・|一", "| ・ ・ ・ ・ ・ ・ ・ ・ ・|二",
                "| ・ ・ ・ ・ ・ ・ ・ ・ ・|三", "| ・ ・ ・ ・ ・ ・ ・ ・ ・|四",
                "| ・ ・ ・ ・ ・ ・ ・ ・ ・|五", "| ・ ・ ・ ・ ・ ・ ・ ・ ・|六",
                "| ・ ・ ・ ・ ・ ・ ・ ・ ・|七", "| ・ ・ ・ ・ ・ ・ ・ ・ ・|八"}),
         "盤面図が9段ではありません"},
        {"more rooks than the set holds",
         lines({"| 飛 飛 飛 ・ ・ ・ ・ ・ ・|一", "| ・ ・ ・ ・ ・ ・ ・ ・ ・|二",
                "| ・ ・ ・ ・ ・ ・ ・ ・ ・|三", "| ・ ・ ・ ・ ・ ・ ・ ・ ・|四",
                "| ・ ・ ・ ・ ・ ・ ・ ・ ・|五", "| ・ ・ ・ ・ ・ ・ ・ ・ ・|六",
                "| ・ ・ ・ ・ ・ ・ ・ ・ ・|七", "| ・ ・ ・ ・ ・ ・ ・ ・ ・|八",
                "| ・ ・ ・ ・ ・ ・ ・ ・ ・|九"}),
         "飛が多すぎます"},
        {"a diagram after the moves", head + lines({"1 ７六歩(77)", "先手番"}), "4行目: 指し手の後に手番"},
        {"binary bytes", std::string("\x01\xFF\xFE\x00\x7F", 5), "1行目"},
        {"a KI2 move by the wrong side", "△３四歩\r\n", "1行目: 手番と▲△が合っていません"},
        {"a KI2 move two golds could make", "▲５八金\r\n", "1行目: どの駒を動かすのか決まりません"},
        {"a KI2 line with an unmarked move", "▲７六歩 ３四歩\r\n", "1行目: 指し手の前に▲か△がありません"},
    };
}

class KifuBadInput : public ::testing::TestWithParam<BadInput> {};

TEST_P(KifuBadInput, IsRefusedWithItsReasonAndTheGameKept) {
    const BadInput &row = GetParam();
    for (bool ki2 : {false, true}) {
        ZnBan game;
        ASSERT_EQ(playMove(game, {sq(2, 7), sq(2, 6), false, PAWN}), "");
        RecordNotes notes;
        notes.setHeader("棋戦", "読み込み前");
        notes.endWord = "中断";
        const std::string before = positionKey(game);
        const RecordResult result = ki2 ? readKi2(game, notes, row.text) : readKif(game, notes, row.text);
        EXPECT_FALSE(result.ok) << row.what;
        EXPECT_NE(result.reason.find(row.reason), std::string::npos) << row.what << ": " << result.reason;
        EXPECT_EQ(positionKey(game), before) << row.what;
        EXPECT_EQ(game.history().size(), 1u) << row.what;
        EXPECT_EQ(notes.header("棋戦"), "読み込み前") << row.what;
        EXPECT_EQ(notes.endWord, "中断") << row.what;
        EXPECT_EQ(findInconsistency(game), "") << row.what;
    }
}

INSTANTIATE_TEST_SUITE_P(Records, KifuBadInput, ::testing::ValuesIn(badKif()));

}  // namespace
