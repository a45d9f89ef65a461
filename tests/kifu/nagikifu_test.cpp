// The converter as its user meets it: conversions between every pair of formats through real files
// and through standard input and output, what "show" prints, and failures that leave no output.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "common/seeded_games.h"
#include "common/testing.h"
#include "kifu/cli.h"
#include "kifu/showboard.h"
#include "record/formats.h"
#include "record/sfen.h"

namespace {

namespace fs = std::filesystem;

struct Outcome {
    int status = -1;
    std::string out, err;
};

Outcome run(const std::vector<std::string> &args, const std::string &input = {}) {
    std::istringstream in(input);
    std::ostringstream out, err;
    Outcome result;
    result.status = runNagikifu(args, in, out, err);
    result.out = out.str();
    result.err = err.str();
    return result;
}

std::string bytesOf(const fs::path &path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void writeBytes(const fs::path &path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// A fresh, empty folder for one test.
class Nagikifu : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ =
            fs::path(::testing::TempDir()) /
            ("nagikifu_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(folder_);
        fs::create_directories(folder_);
    }
    void TearDown() override { fs::remove_all(folder_); }
    std::string at(const std::string &name) const { return (folder_ / name).string(); }
    std::vector<std::string> filesInFolder() const {
        std::vector<std::string> names;
        for (const auto &entry : fs::directory_iterator(folder_))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    fs::path folder_;
};

// A seeded game from a handicap start written as ".ngr", converted to every record format and back
// to ".ngr": every step succeeds and every file reads as the same game.
TEST_F(Nagikifu, ConvertsThroughEveryFormatAndBack) {
    ZnBan game;
    playSeededGame(game, 4, 90);
    std::string ngr;
    ASSERT_TRUE(writeRecordBytes(game, RecordNotes{}, RecordFormat::Ngr, ngr).ok);
    writeBytes(at("game.ngr"), ngr);
    for (const char *extension : {"kif", "kifu", "ki2", "ki2u", "csa", "usi"}) {
        const std::string converted = at(std::string("game.") + extension);
        const Outcome there = run({"convert", at("game.ngr"), converted});
        ASSERT_EQ(there.status, 0) << extension << ": " << there.err;
        EXPECT_EQ(there.err, "");
        const std::string back = at(std::string("back-") + extension + ".ngr");
        const Outcome again = run({"convert", converted, back});
        ASSERT_EQ(again.status, 0) << extension << ": " << again.err;
        ZnBan read;
        RecordNotes notes;
        const RecordResult result = readRecordBytes(read, notes, bytesOf(back), back);
        ASSERT_TRUE(result.ok) << extension << ": " << result.reason;
        EXPECT_EQ(positionKey(read), positionKey(game)) << extension;
        EXPECT_EQ(read.history().size(), game.history().size()) << extension;
    }
    // ".kif" is Shift-JIS and ".kifu" UTF-8: the same record in two encodings.
    EXPECT_NE(bytesOf(at("game.kif")), bytesOf(at("game.kifu")));
    EXPECT_EQ(bytesOf(at("game.usi")), writeUsi(game));
}

TEST_F(Nagikifu, SfenOutputIsTheFinalPositionAndUsiTheWholeLine) {
    const std::string usi = "position startpos moves 7g7f 3c3d 8h2b+ 3a2b B*4e\n";
    writeBytes(at("in.usi"), usi);
    ASSERT_EQ(run({"convert", at("in.usi"), at("out.sfen")}).status, 0);
    EXPECT_EQ(bytesOf(at("out.sfen")),
              "lnsgkg1nl/1r5s1/pppppp1pp/6p2/5B3/2P6/PP1PPPPPP/7R1/LNSGKGSNL w b 6\n");
    ASSERT_EQ(run({"convert", at("in.usi"), at("out.usi")}).status, 0);
    EXPECT_EQ(bytesOf(at("out.usi")), usi);
}

// Branches survive KIF → KI2 → KIF; a format of one line gets the main line, and the user is told
// how many branches stayed behind. Headers go under the CSA keys that hold them (a place given
// twice twice) and come back; the user is told of those no key holds, and of the place JKF keeps once.
TEST_F(Nagikifu, BranchesAndHeadersAreKeptWhereTheFormatHoldsThem) {
    writeBytes(at("in.kifu"),
               "場所：東京\n場所：大阪\n持ち時間：各10分\n秒読み：30秒\n備考：メモ\n最大手数：256\n"
               "解説：某九段\n1 ７六歩(77)\n2 ３四歩(33)+\n変化：2手\n2 ８四歩(83)\n");
    const struct {
        const char *to;
        std::string told;
    } rows[] = {
        {"ki2u", ""},
        {"jkf", "この形式に入らない対局情報「場所」の二つ目からの値は保存していません\n"},
        {"csa",
         "変化1個は保存していません\n|この形式に入らない対局情報「持ち時間」・対局情報「秒読み」・"
         "対局情報「解説」は保存していません\n"},
        {"usi", "変化1個は保存していません\n"},
    };
    for (const auto &[to, told] : rows) {
        const std::string out = at(std::string("out.") + to);
        const Outcome outcome = run({"convert", at("in.kifu"), out});
        ASSERT_EQ(outcome.status, 0) << outcome.err;
        std::string expected;
        for (std::size_t from = 0; from < told.size();) {
            const std::size_t bar = std::min(told.find('|', from), told.size());
            expected += "nagikifu: " + out + ": " + told.substr(from, bar - from);
            from = bar + 1;
        }
        EXPECT_EQ(outcome.err, expected) << to;
        const bool oneLine = *to == 'c' || *to == 'u';
        ZnBan game;
        RecordNotes notes;
        ASSERT_TRUE(readRecordBytes(game, notes, bytesOf(out), out).ok) << to;
        EXPECT_EQ(notes.tree.branchCount(), oneLine ? 0 : 1) << to;
        EXPECT_EQ(game.history().size(), 2u) << to;
        if (*to != 'c') continue;
        const Outcome back = run({"convert", out, at("back.kifu")});
        ASSERT_EQ(back.status, 0) << back.err;
        ASSERT_TRUE(readRecordBytes(game, notes, bytesOf(at("back.kifu")), "back.kifu").ok);
        EXPECT_EQ(notes.headers, (std::vector<std::pair<std::string, std::string>>{{"手合割", "平手"},
                                                                                   {"場所", "東京"},
                                                                                   {"場所", "大阪"},
                                                                                   {"備考", "メモ"},
                                                                                   {"最大手数", "256"}}));
    }
}

// "-" reads standard input and writes standard output; --to names the output format, --from the
// input's when nothing else tells it.
TEST_F(Nagikifu, StandardInputAndOutputWithFormatOptions) {
    const std::string csa = "V2.2\nPI\n+\n+7776FU\n-3334FU\n%CHUDAN\n";
    const Outcome toUsi = run({"convert", "--to", "usi", "-", "-"}, csa);
    ASSERT_EQ(toUsi.status, 0) << toUsi.err;
    EXPECT_EQ(toUsi.out, "position startpos moves 7g7f 3c3d\n");
    const Outcome toSfen = run({"convert", "--from=csa", "--to=sfen", "-", "-"}, csa);
    ASSERT_EQ(toSfen.status, 0) << toSfen.err;
    EXPECT_EQ(toSfen.out, "lnsgkgsnl/1r5b1/pppppp1pp/6p2/9/2P6/PP1PPPPPP/1B5R1/LNSGKGSNL b - 3\n");
    // --to overrides the extension of the output file.
    ASSERT_EQ(run({"convert", "--to", "csa", "-", at("out.txt")}, csa).status, 0);
    EXPECT_EQ(bytesOf(at("out.txt")), csa);
    EXPECT_EQ(filesInFolder(), std::vector<std::string>{"out.txt"});
}

// The diagram shows the pieces and hands, and each table row gives the game's own attack counts.
TEST_F(Nagikifu, ShowPrintsTheBoardAndBothSidesAttackCounts) {
    ZnBan game;
    playSeededGame(game, 8, 70);
    const std::string usi = writeUsi(game);
    const Outcome shown = run({"show", "--from", "usi", "-"}, usi);
    ASSERT_EQ(shown.status, 0) << shown.err;
    EXPECT_NE(shown.out.find("手数＝" + std::to_string(game.moveCount())), std::string::npos);
    EXPECT_NE(shown.out.find(game.turn() == SENTE ? "先手番" : "後手番"), std::string::npos);

    for (Side side : {SENTE, GOTE}) {
        const std::string title = side == SENTE ? "先手の利き" : "後手の利き";
        std::size_t at = shown.out.find(title);
        ASSERT_NE(at, std::string::npos) << title;
        at = shown.out.find('\n', shown.out.find('\n', at) + 1) + 1;  // past the title and the file labels
        std::istringstream rows(shown.out.substr(at));
        for (int row = 0; row < 9; ++row) {
            for (int column = 8; column >= 0; --column) {
                int count = -1;
                rows >> count;
                EXPECT_EQ(count, game.attackCount(side, static_cast<Square>(squareAt(row, column))))
                    << title << " row " << row << " column " << column;
            }
            std::string rank;
            rows >> rank;
        }
    }

    const Outcome start = run({"show", "--from", "sfen", "-"}, "startpos");
    ASSERT_EQ(start.status, 0) << start.err;
    EXPECT_NE(start.out.find("|v香v桂v銀v金v玉v金v銀v桂v香|一\n| ・v飛 ・ ・ ・ ・ ・v角 ・|二\n"),
              std::string::npos)
        << start.out;
    EXPECT_NE(start.out.find("先手の持駒：なし\n"), std::string::npos);
}

// show's closing line says what the rules make of the last position, and perft counts the leaves
// of the legal-move tree of the position named on the rest of the command line.
TEST_F(Nagikifu, ShowJudgesTheLastPositionAndPerftCountsLegalMoves) {
    const std::string cycle = " 5i5h 5a5b 5h5i 5b5a";
    const struct {
        std::vector<std::string> args;
        std::string input, lastLine;
    } rows[] = {
        {{"show", "--from", "sfen", "-"}, "startpos", "局面: 合法手30"},
        {{"show", "--from", "sfen", "-"}, "4r3k/9/9/9/9/9/9/9/4K4 b G 1", "局面: 王手・合法手11"},
        {{"show", "--from", "sfen", "-"},
         "4k4/4G4/4P4/9/9/9/9/9/4K4 w - 1",
         "局面: 王手・詰み（先手の勝ち）・合法手0"},
        {{"show", "--from", "usi", "-"},
         "position startpos moves" + cycle + cycle + cycle,
         "局面: 千日手・合法手30"},
        {{"show", "--from", "sfen", "-"},
         "+L+NSG1GS+N+L/1R2K2B1/9/9/9/9/9/9/4k4 b RB 1",
         "局面: 宣言勝ち・合法手190"},
        {{"show", "--from", "sfen", "-"},
         "4k4/4R4/9/9/9/9/9/9/4K4 b - 1",
         "局面: ルールで判定できません（手番でない側に王手がかかっています）"},
        {{"show", "--from", "sfen", "-"}, "4k4/4G4/4P4/9/9/9/9/9/9 w - 1", "局面: 王手・詰み（先手の勝ち）・合法手0"},
        {{"perft", "3", "sfen", "4k4/9/4P4/9/9/9/9/9/9", "b", "G2r", "1"}, "", "43600"},
        // The line is played again by the rules: its first foul is named, nothing after it judged.
        {{"show", "--from", "usi", "-"},
         "position sfen 8k/6S2/7G1/9/9/9/9/9/4K4 b P 1 moves P*1b",
         "局面: 1手目の▲１二歩打（P*1b）は反則（打ち歩詰めです）なので、それより後は判定しません"},
        {{"show", "--from", "usi", "-"},
         "position sfen 4r3k/9/9/9/9/9/9/4G4/4K4 b - 1 moves 5h4h 1a1b",
         "局面: 1手目の▲４八金(58)（5h4h）は反則（自玉が取られる手です）なので、それより後は判定しません"},
        {{"perft", "4"}, "", "719731"},
        {{"perft", "2", "sfen", "4r3k/9/9/9/9/9/9/9/4K4", "b", "G", "1", "moves", "G*5e"}, "", "119"},
        {{"perft", "--divide", "1", "startpos", "moves", "7g7f"}, "", "30"},
    };
    for (const auto &row : rows) {
        const Outcome outcome = run(row.args, row.input);
        ASSERT_EQ(outcome.status, 0) << row.lastLine << outcome.err;
        const std::string &out = outcome.out;
        const std::size_t start = out.rfind('\n', out.size() - 2);
        EXPECT_EQ(out.substr(start == std::string::npos ? 0 : start + 1), row.lastLine + "\n");
    }
    ZnBan mated;
    RecordNotes notes;
    ASSERT_TRUE(readSfen(mated, notes, "4k4/4G4/4P4/9/9/9/9/9/4K4 w - 1").ok);
    EXPECT_EQ(rulesLine(mated, true), "局面: 王手・詰み（下手の勝ち）・合法手0\n");
    const Outcome divided = run({"perft", "--divide", "2"});
    EXPECT_NE(divided.out.find("\n7g7f: 30\n"), std::string::npos) << divided.out;
    EXPECT_NE(divided.out.find("\n2h1h: 30\n"), std::string::npos) << divided.out;
}

// book build writes a book from a folder of records and book show lists a position's moves as the
// window does; a wrong command line or a file that is no book says why and exits non-zero.
TEST_F(Nagikifu, BookBuildAndShow) {
    fs::create_directories(folder_ / "records");
    writeBytes(folder_ / "records" / "a.csa", "PI\n+\n+7776FU\n-3334FU\n");
    writeBytes(folder_ / "records" / "b.usi", "position startpos moves 7g7f 8c8d\n");
    writeBytes(folder_ / "records" / "c.usi", "position startpos moves 2g2f\n");
    writeBytes(at("not.db"), "sfen startpos\n");
    const Outcome built = run({"book", "build", "--out", at("book.db"), at("records")});
    ASSERT_EQ(built.status, 0) << built.err;
    EXPECT_EQ(built.out, "棋譜3局から2局面の定跡を書きました\n");
    const struct {
        std::vector<std::string> args;
        int status;
        std::string out, err;
    } rows[] = {
        {{"book", "show", at("book.db")}, 0,
         "指し手\t割合\t回数\t評価値\t深さ\tコメント\n▲７六歩(77)\t66.7%\t2\t\t\t\n▲２六歩(27)\t33.3%\t1\t\t\t\n", ""},
        {{"book", "show", at("book.db"), "startpos", "moves", "7g7f"}, 0,
         "指し手\t割合\t回数\t評価値\t深さ\tコメント\n△３四歩(33)\t50.0%\t1\t\t\t\n△８四歩(83)\t50.0%\t1\t\t\t\n", ""},
        {{"book", "show", at("book.db"), "startpos", "moves", "2g2f"}, 0, "この局面は定跡にありません\n", ""},
        {{"book", "build", "--plies", "1", "--out", at("first.db"), at("records")}, 0,
         "棋譜3局から1局面の定跡を書きました\n", ""},
        {{"book", "build", "--player", "羽生", "--out", at("none.db"), at("records")}, 1, "", "使える棋譜がありません"},
        {{"book", "build", at("records")}, 2, "", "--out"},
        {{"book", "build", "--plies", "0", "--out", at("x.db"), at("records")}, 2, "", "手数は1から1000"},
        {{"book", "show", at("not.db")}, 1, "", "#YANEURAOU-DB2016"},
        {{"book", "show", at("book.db"), "sfen", "9/9"}, 1, "", "局面"},
        {{"book", "list"}, 2, "", "知らないコマンド"},
    };
    for (const auto &row : rows) {
        const Outcome outcome = run(row.args);
        EXPECT_EQ(outcome.status, row.status) << row.args[1] << outcome.err;
        EXPECT_EQ(outcome.out, row.out) << row.args[1];
        EXPECT_NE(outcome.err.find(row.err), std::string::npos) << outcome.err;
    }
    EXPECT_FALSE(fs::exists(at("none.db")));
}

// A failure says why on standard error, exits non-zero, and writes nothing: an existing output file
// keeps its bytes and no temporary file is left behind.
TEST_F(Nagikifu, FailuresLeaveNoOutput) {
    writeBytes(at("good.csa"), "PI\n+\n+7776FU\n");
    writeBytes(at("bad.csa"), "PI\n+\n+7776FU\n-5554FU\n");
    writeBytes(at("binary.kif"), std::string("\x00\x01\x02\x03", 4));
    writeBytes(at("cut.kif"), "\x82\xa0\x82");
    writeBytes(at("empty.csa"), "");
    writeBytes(at("kept.kif"), "old bytes");
    writeBytes(at("pawns.sfen"), "4k4/9/9/9/9/9/4P4/4P4/4K4 b - 1");
    const std::vector<std::string> before = filesInFolder();
    const struct {
        const char *what;
        std::vector<std::string> args;
        int status;
    } rows[] = {
        {"malformed record", {"convert", at("bad.csa"), at("out.kif")}, 1},
        {"malformed record over an existing file", {"convert", at("bad.csa"), at("kept.kif")}, 1},
        {"binary file", {"convert", at("binary.kif"), at("out.csa")}, 1},
        {"Shift-JIS cut inside a character", {"convert", at("cut.kif"), at("out.csa")}, 1},
        {"empty file", {"convert", at("empty.csa"), at("out.kif")}, 1},
        {"missing input", {"convert", at("missing.csa"), at("out.kif")}, 1},
        {"input is a folder", {"convert", folder_.string(), at("out.kif")}, 1},
        {"output folder missing", {"convert", at("good.csa"), at("no/such/folder/out.kif")}, 1},
        {"output is a folder", {"convert", "--to", "kif", at("good.csa"), folder_.string()}, 1},
        {"unknown output extension", {"convert", at("good.csa"), at("out.txt")}, 2},
        {"unknown --to", {"convert", "--to", "pdf", at("good.csa"), at("out.kif")}, 2},
        {"unknown --from", {"convert", "--from", "pdf", at("good.csa"), at("out.kif")}, 2},
        {"--to without a format", {"convert", at("good.csa"), at("out.kif"), "--to"}, 2},
        {"standard output without a format", {"convert", at("good.csa"), "-"}, 2},
        {"one file only", {"convert", at("good.csa")}, 2},
        {"three files", {"convert", at("good.csa"), at("a.kif"), at("b.kif")}, 2},
        {"unknown command", {"transmogrify", at("good.csa")}, 2},
        {"unknown option", {"convert", "--fast", at("good.csa"), at("out.kif")}, 2},
        {"no command", {}, 2},
        {"show of a malformed record", {"show", at("bad.csa")}, 1},
        {"show of two files", {"show", at("good.csa"), at("bad.csa")}, 2},
        {"perft without a depth", {"perft"}, 2},
        {"perft deeper than 8", {"perft", "9"}, 2},
        {"perft depth not a number", {"perft", "x"}, 2},
        {"perft of a malformed SFEN", {"perft", "2", "sfen", "9/9/9", "b"}, 1},
        {"perft of a move the board refuses", {"perft", "2", "startpos", "moves", "7g7e"}, 1},
        {"perft with the side not to move in check",
         {"perft", "1", "4k4/4R4/9/9/9/9/9/9/4K4", "b", "-", "1"},
         1},
        {"perft with no king", {"perft", "1", "9/9/9/9/9/9/9/9/9", "b", "-", "1"}, 1},
        {"perft of a negative depth", {"perft", "-1"}, 2},
        {"perft through a foul",
         {"perft", "1", "sfen", "8k/6S2/7G1/9/9/9/9/9/4K4", "b", "P", "1", "moves", "P*1b"},
         1},
        {"perft of two pawns on a file", {"perft", "1", "4k4/9/9/9/9/9/4P4/4P4/4K4", "b", "-", "1"}, 1},
        {"perft of a knight that can never move", {"perft", "1", "N3k4/9/9/9/9/9/9/9/4K4", "b", "-", "1"}, 1},
        {"show of two pawns on a file", {"show", "--from", "sfen", at("pawns.sfen")}, 1},
    };
    for (const auto &row : rows) {
        const Outcome failed = run(row.args);
        EXPECT_EQ(failed.status, row.status) << row.what;
        EXPECT_TRUE(failed.err.starts_with("nagikifu: ")) << row.what << ": " << failed.err;
        EXPECT_GT(failed.err.size(), std::string("nagikifu: ").size() + 4) << row.what;
        EXPECT_EQ(failed.out, "") << row.what;
        EXPECT_EQ(filesInFolder(), before) << row.what;
    }
    EXPECT_EQ(bytesOf(at("kept.kif")), "old bytes");
    // What each refusal says: the depth it wanted, the foul with its ply, and for a position no game
    // can reach the same reason as analyse gives.
    EXPECT_NE(run({"perft", "-1"}).err.find("深さは0から8までの数です: -1"), std::string::npos);
    EXPECT_NE(run({"perft", "1", "sfen", "8k/6S2/7G1/9/9/9/9/9/4K4", "b", "P", "1", "moves", "P*1b"})
                  .err.find("1手目の▲１二歩打（P*1b）は反則（打ち歩詰めです）"),
              std::string::npos);
    EXPECT_EQ(run({"show", "--from", "sfen", at("pawns.sfen")}).err,
              "nagikifu: " + at("pawns.sfen") + ": 先手の歩が５筋に二枚あるので判定できません\n");
    EXPECT_EQ(run({"perft", "1", "N3k4/9/9/9/9/9/9/9/4K4", "b", "-", "1"}).err,
              "nagikifu: 局面: ９一桂は動けない位置にあるので数えられません\n");
    // The reason of a malformed record names its line.
    EXPECT_NE(run({"convert", at("bad.csa"), at("out.kif")}).err.find("4行目"), std::string::npos);
}

// A converted file replaces the old one and keeps its permissions.
TEST_F(Nagikifu, ReplacesAnExistingFileKeepingItsPermissions) {
    writeBytes(at("good.csa"), "PI\n+\n+7776FU\n");
    writeBytes(at("out.usi"), "old");
    fs::permissions(at("out.usi"), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    ASSERT_EQ(run({"convert", at("good.csa"), at("out.usi")}).status, 0);
    EXPECT_EQ(bytesOf(at("out.usi")), "position startpos moves 7g7f\n");
    EXPECT_EQ(fs::status(at("out.usi")).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(filesInFolder(), (std::vector<std::string>{"good.csa", "out.usi"}));
}

TEST_F(Nagikifu, HelpGoesToStandardOutput) {
    const Outcome help = run({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("nagikifu convert"), std::string::npos);
    EXPECT_EQ(help.err, "");
}

}  // namespace

// mate: the three answers and their lines, a record file's last position, the batch lines and
// summary, and the exit statuses (0 whatever the answer, 1 for a position it cannot read or search,
// 2 for a wrong command line).
TEST_F(Nagikifu, MateAnswersEachPositionAndItsBatch) {
    writeBytes(at("tsume.sfen"), "sfen 4k4/9/9/9/9/9/9/9/9 b R2G 1\n");
    writeBytes(at("batch.txt"), "sfen 4k4/9/4P4/9/9/9/9/9/9 b G2r 1\n# a comment\n\nstartpos\nposition sfen 4k4/9/9/9/9/9/9/9/9 b 2G 1\nnot a position\n");
    const struct {
        std::vector<std::string> args;
        int status;
        std::string out;  // the start of standard output
    } rows[] = {
        {{"mate", "sfen", "4k4/9/4P4/9/9/9/9/9/9", "b", "G2r", "1"}, 0, "詰み 1手: ▲５二金打\n読み筋: G*5b\n"},
        {{"mate", "--time", "5000", "sfen 4k4/9/9/9/9/9/9/9/9 b R2G 1"}, 0, "詰み 5手: ▲５三飛打 △４一玉 ▲４三飛成 △３一玉 ▲３二金打\n"},
        {{"mate", at("tsume.sfen")}, 0, "詰み 5手: "},
        {{"mate", "--nodes", "1000", "sfen 9/9/9/9/4k4/9/9/9/9 b R2G2S 1"}, 0, "不明\n"},
        {{"mate", "startpos"}, 0, "不詰\n"},
        {{"mate", "sfen 9/9/9/9/9/9/9/9/4K4 b G 1"}, 1, ""},
        {{"mate", at("missing.kif")}, 1, ""},
        {{"mate", "--batch", at("missing.txt")}, 1, ""},
        {{"mate"}, 2, ""},
        {{"mate", "--time", "soon", "startpos"}, 2, ""},
        {{"mate", "--hash", "0", "startpos"}, 2, ""},
        {{"mate", "--batch", at("batch.txt"), "startpos"}, 2, ""},
        {{"mate", "--batch", at("batch.txt")},
         0,
         "4k4/9/4P4/9/9/9/9/9/9 b G2r 1\t詰み\t1\tG*5b\t"},
    };
    for (const auto &row : rows) {
        const Outcome outcome = run(row.args);
        EXPECT_EQ(outcome.status, row.status) << row.args.back() << ": " << outcome.err;
        EXPECT_TRUE(outcome.out.starts_with(row.out)) << row.args.back() << ": " << outcome.out;
        if (row.status != 0) {
            EXPECT_TRUE(outcome.err.starts_with("nagikifu: ")) << outcome.err;
        }
    }
    const Outcome batch = run({"mate", "--batch", at("batch.txt")});
    std::istringstream lines(batch.out);
    std::vector<std::string> answers;
    for (std::string line; std::getline(lines, line);) answers.push_back(line.substr(line.find('\t') + 1, 6));
    EXPECT_EQ(answers, (std::vector<std::string>{"詰み", "不詰", "不詰", "不明"}));
    EXPECT_NE(batch.err.find("batch.txt:6:"), std::string::npos) << batch.err;
    EXPECT_NE(batch.err.find("詰み 1・不詰 2・不明 1"), std::string::npos) << batch.err;
}
