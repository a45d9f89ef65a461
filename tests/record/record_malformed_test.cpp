// Bad record files: each is refused with a reason a person can act on, and the game on the board
// (position, history, turn, count, attack maps) stays exactly as it was.

#include <gtest/gtest.h>

#include <cctype>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "common/testing.h"
#include "record/record.h"
#include "support/report.h"

namespace {

int badIndexReports = 0;
void countReport(const char *, const char *) { ++badIndexReports; }

// Everything a failed load must leave alone, down to the pieces the history refers to.
struct Snapshot {
    std::string key;
    std::vector<int> counts;
    std::vector<std::tuple<int, int, const Koma *, int, const Koma *>> history;
    std::vector<Koma *> pieces;

    explicit Snapshot(const ZnBan &game)
        : key(positionKey(game)), counts(attackCounts(game)), pieces(game.allPieces()) {
        for (const MoveHistory &record : game.history())
            history.emplace_back(record.from, record.to, record.piece, record.promoted, record.captured);
    }
    bool operator==(const Snapshot &) const = default;
};

// A game with a capture, a promotion and a drop in its history, so that an undo after a failed
// load has something real to take back.
void playSomeMoves(ZnBan &game) {
    ASSERT_TRUE(game.play({sq(7, 7), sq(7, 6), false}));
    ASSERT_TRUE(game.play({sq(3, 3), sq(3, 4), false}));
    ASSERT_TRUE(game.play({sq(8, 8), sq(2, 2), true}));
    ASSERT_TRUE(game.play({sq(3, 1), sq(2, 2), false}));
    ASSERT_TRUE(applyMove(game, Move{IN_HAND, sq(5, 5), false, BISHOP}));
}

const std::string S = "P+59OU49KI69KI39GI79GI29KE89KE19KY99KY28HI88KA17FU27FU37FU47FU57FU67FU77FU87FU97FU";
const std::string G = "P-51OU41KI61KI31GI71GI21KE81KE11KY91KY82HI22KA13FU23FU33FU43FU53FU63FU73FU83FU93FU";
// The four position lines of the start and the turn, five lines after a comment line.
const std::string HEAD = "' \r\n" + S + "\r\n" + G + "\r\nP+\r\nP-\r\n+\r\n";

struct BadFile {
    const char *what;
    std::string text;
    // Must appear in the reason: where (line and word) and what is wrong.
    std::vector<std::string> mentions;
};

const std::vector<BadFile> &badFiles() {
    static const std::vector<BadFile> rows = {
        // Not a record at all.
        {"empty file", "", {"空"}},
        {"white space only", " \r\n\t\r\n", {"空"}},
        {"comments only", "' nothing but a comment\r\n", {"局面の行", "ありません"}},
        {"three position lines", "' \r\n" + S + "\r\n" + G + "\r\nP+\r\n", {"3行しかありません"}},
        {"two position lines then moves", S + "\n" + G + "\n+\n+7776FU\n", {"2行しかありません"}},
        // Position words.
        {"P alone", "P\nP-\nP+\nP-\n", {"1行目の語「P」", "「P+」か「P-」"}},
        {"other sign", "PX59OU\nP-\nP+\nP-\n", {"1行目の語「PX59OU」", "「P+」か「P-」"}},
        {"comment word beginning with P", "' Player Tanaka\n" + S + "\n", {"1行目の語「Player」"}},
        {"three-character group", "' \r\nP+59O\r\nP-\r\nP+\r\nP-\r\n", {"2行目の語「P+59O」", "4文字ずつ"}},
        {"group cut short", "P+59OU4\nP-\nP+\nP-\n", {"4文字ずつ"}},
        {"letter for a digit", "P+5AOU\nP-\nP+\nP-\n", {"「5AOU」", "数字"}},
        {"sign for a digit", "P+-9OU\nP-\nP+\nP-\n", {"「-9OU」", "数字"}},
        {"zero rank only", "P+50OU\nP-\nP+\nP-\n", {"「50OU」", "マス目が不正"}},
        {"zero file only", "P+05OU\nP-\nP+\nP-\n", {"「05OU」", "マス目が不正"}},
        {"unknown code",
         "' \r\nP+59OU99XX\r\nP-\r\nP+\r\nP-\r\n",
         {"2行目の語「P+59OU99XX」", "「99XX」の駒の記号が不正"}},
        {"lower-case code", "P+59fu\nP-\nP+\nP-\n", {"「59fu」の駒の記号"}},
        {"promoted king code", "P+59ou\nP-\nP+\nP-\n", {"「59ou」の駒の記号"}},
        {"promoted gold code", "P+\nP-49ki\nP+\nP-\n", {"「49ki」の駒の記号"}},
        {"promoted piece in hand", "P+59OU\nP-51OU\nP+00TO\nP-\n", {"3行目の語「P+00TO」", "成駒は持ち駒"}},
        {"two entries on one square", "P+59OU59KI\nP-\nP+\nP-\n", {"「59KI」", "既に駒"}},
        {"two sides on one square", "P+55FU\nP-55FU\nP+\nP-\n", {"2行目", "「55FU」", "既に駒"}},
        {"non-ASCII in a position word", "P+59OU\xe7\x8e\x89\nP-\nP+\nP-\n", {"1行目", "使えない文字"}},
        {"control byte in a position word", std::string("P+59OU\0", 7) + "\nP-\nP+\nP-\n", {"使えない文字"}},
        // The turn word.
        {"turn word neither + nor -", HEAD.substr(0, HEAD.size() - 3) + "x\r\n", {"6行目の語「x」", "手番"}},
        {"turn word with more", HEAD.substr(0, HEAD.size() - 3) + "+-\r\n", {"「+-」", "手番"}},
        {"no turn line before the moves",
         HEAD.substr(0, HEAD.size() - 3) + "+7776FU\r\n",
         {"6行目の語「+7776FU」", "手番"}},
        {"comment as the turn word", HEAD.substr(0, HEAD.size() - 3) + "' turn\r\n", {"コメント"}},
        // Move words.
        {"six-character move", HEAD + "+7776F\r\n", {"7行目の語「+7776F」", "7文字"}},
        {"eight-character move", HEAD + "+7776FUU\r\n", {"「+7776FUU」", "7文字"}},
        {"move without a sign", HEAD + "*7776FU\r\n", {"「*7776FU」", "「+」か「-」で始まら"}},
        {"letter in a move square", HEAD + "+7a76FU\r\n", {"数字"}},
        {"origin with one zero digit", HEAD + "+0776FU\r\n", {"マス目が不正"}},
        {"origin with a zero rank", HEAD + "+7076FU\r\n", {"マス目が不正"}},
        {"destination in hand", HEAD + "+7700FU\r\n", {"マス目が不正"}},
        {"destination with one zero digit", HEAD + "+7706FU\r\n", {"マス目が不正"}},
        {"unknown move code", HEAD + "+7776XX\r\n", {"指し手の駒の記号が不正"}},
        {"promoted king move code", HEAD + "+5958ou\r\n", {"駒の記号が不正"}},
        {"promoted gold move code", HEAD + "+4948ki\r\n", {"駒の記号が不正"}},
        {"promoted code in a drop",
         HEAD + "+7776FU\r\n-3334FU\r\n+0055TO\r\n",
         {"9行目の語「+0055TO」", "成駒"}},
        {"comment after the moves", HEAD + "+7776FU\r\n' a note\r\n", {"8行目の語「'」", "コメント"}},
        // Records the game refuses: a file the program wrote never holds one, so the file is damaged.
        {"illegal move", HEAD + "+7775FU\r\n", {"7行目の語「+7775FU」", "その駒はそこへ動けません"}},
        {"refused promotion", HEAD + "+7776TO\r\n", {"7行目の語「+7776TO」", "そこでは成れません"}},
        {"promotion left out where it is forced",
         HEAD + "+7776FU\r\n-3334FU\r\n+7675FU\r\n-3435FU\r\n+7574FU\r\n-3536FU\r\n+7473FU\r\n-3637TO\r\n" +
             "+7372FU\r\n-3738TO\r\n+7271FU\r\n",
         {"17行目の語「+7271FU」", "行き所のない駒です"}},
        {"move from an empty square",
         HEAD + "+5554FU\r\n",
         {"7行目の語「+5554FU」", "移動元に駒がありません"}},
        {"sente moving gote's piece",
         HEAD + "+3334FU\r\n",
         {"7行目の語「+3334FU」", "手番の側の駒ではありません"}},
        {"drop of a kind not held", HEAD + "+0055KI\r\n", {"7行目の語「+0055KI」", "持っていません"}},
        {"drop on an occupied square",
         HEAD + "+7776FU\r\n-3334FU\r\n+8822UM\r\n-3122GI\r\n+0059KA\r\n",
         {"11行目の語「+0059KA」", "打てません"}},
        // Records whose sign is not the side to move.
        {"gote's sign at sente's turn",
         HEAD + "-7776FU\r\n",
         {"7行目の語「-7776FU」", "先手の手番に後手の指し手"}},
        {"sente's sign at gote's turn",
         HEAD + "+7776FU\r\n+3334FU\r\n",
         {"8行目の語「+3334FU」", "後手の手番に先手の指し手"}},
        {"drop with the other side's sign",
         HEAD + "+7776FU\r\n-3334FU\r\n+8822UM\r\n-3122GI\r\n-0055KA\r\n",
         {"11行目の語「-0055KA」", "先手の手番に後手"}},
        // Codes that name another kind than the piece on the origin.
        {"code of another kind", HEAD + "+7776KY\r\n", {"7行目の語「+7776KY」", "移動元の駒と合いません"}},
        {"promoted code of another kind", HEAD + "+7776NY\r\n", {"「+7776NY」", "移動元の駒と合いません"}},
        {"king's code for a gold", HEAD + "+4958OU\r\n", {"「+4958OU」", "移動元の駒と合いません"}},
        {"bad record after good ones",
         HEAD + "+7776FU\r\n-3334FU\r\n+8822UM\r\n+9999ZZ\r\n",
         {"10行目", "駒の記号が不正"}},
        {"control byte in a move", HEAD + "+7776F\x7f\r\n", {"7行目の語「+7776F?」", "使えない文字"}},
        {"byte-order mark before a move", HEAD + "\xEF\xBB\xBF+7776FU\r\n", {"7行目", "使えない文字"}},
        {"non-ASCII move",
         HEAD + "+\xef\xbc\x97"
                "776FU\r\n",
         {"使えない文字"}},
        {"NUL in the turn word",
         HEAD.substr(0, HEAD.size() - 3) + std::string("+\0", 2) + "\r\n",
         {"使えない文字"}},
        // Overlong words, wherever they stand.
        {"long comment word",
         std::string(MAX_RECORD_WORD + 1, 'x') + "\n" + HEAD,
         {"1行目", "255文字を超える"}},
        {"long position word", "P+" + std::string(4 * 64, '9'), {"1行目", "255文字を超える"}},
        {"long move word", HEAD + "+7776FU\r\n" + std::string(100000, '+'), {"8行目", "255文字を超える"}},
    };
    return rows;
}

class MalformedRecord : public ::testing::TestWithParam<BadFile> {
protected:
    void SetUp() override {
        badIndexReports = 0;
        setReportHook(countReport);
    }
    void TearDown() override { setReportHook(nullptr); }
};

}  // namespace

TEST_P(MalformedRecord, IsRefusedWithItsReasonAndTheGameIsUntouched) {
    const BadFile &row = GetParam();
    ZnBan game;
    playSomeMoves(game);
    const Snapshot before(game);

    std::istringstream in(row.text);
    const RecordResult result = loadRecord(game, in);
    EXPECT_FALSE(result.ok);
    for (const std::string &mention : row.mentions)
        EXPECT_NE(result.reason.find(mention), std::string::npos) << result.reason;

    EXPECT_TRUE(Snapshot(game) == before) << positionKey(game);
    EXPECT_EQ(findInconsistency(game), "");
    EXPECT_EQ(badIndexReports, 0) << "a bad square reached the board";
    // The game goes on: the last move (a drop) can still be taken back.
    const Koma *dropped = game.pieceAt(sq(5, 5));
    ASSERT_TRUE(game.undoMove());
    EXPECT_EQ(game.pieceAt(sq(5, 5)), nullptr);
    EXPECT_TRUE(game.hand(SENTE).contains(dropped));
    EXPECT_EQ(findInconsistency(game), "");
}

INSTANTIATE_TEST_SUITE_P(Rows, MalformedRecord, ::testing::ValuesIn(badFiles()),
                         [](const ::testing::TestParamInfo<BadFile> &row) {
                             std::string name;
                             for (const char *c = row.param.what; *c; ++c)
                                 name += std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
                             return name;
                         });

// Reasons are shown in the status bar: they must be valid text even when the word was not.
TEST(MalformedRecordReason, ShowsOnlyPrintableCharactersOfTheWord) {
    ZnBan game;
    std::istringstream in(HEAD + "+\x80\x81\xff" + "6FU\r\n");
    const RecordResult result = loadRecord(game, in);
    ASSERT_FALSE(result.ok);
    EXPECT_NE(result.reason.find("「+???6FU」"), std::string::npos) << result.reason;
}

// A stream that could not be opened, and one that fails while it is read.
TEST(MalformedRecordReason, UnreadableStreamsLeaveTheGame) {
    class ThrowingBuffer : public std::streambuf {
    protected:
        int_type underflow() override { throw std::ios_base::failure("device error"); }
    };
    ZnBan game;
    playSomeMoves(game);
    const Snapshot before(game);

    std::istringstream closed(HEAD);
    closed.setstate(std::ios::failbit);
    RecordResult result = loadRecord(game, closed);
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.reason, "");

    ThrowingBuffer buffer;
    std::istream failing(&buffer);
    result = loadRecord(game, failing);
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.reason, "");
    EXPECT_TRUE(Snapshot(game) == before);
}
