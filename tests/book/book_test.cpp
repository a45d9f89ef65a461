// The book reader against what real books hold, the writer read back, and the search of a sorted
// file against the book read whole.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "book/book.h"
#include "book/bookbuild.h"
#include "book/bookplay.h"
#include "common/seeded_games.h"
#include "record/notes.h"
#include "record/sfen.h"

namespace fs = std::filesystem;

namespace {

const std::string START = "lnsgkgsnl/1r5b1/ppppppppp/9/9/9/PPPPPPPPP/1B5R1/LNSGKGSNL b -";
const std::string AFTER_76 = "lnsgkgsnl/1r5b1/ppppppppp/9/9/2P6/PP1PPPPPP/1B5R1/LNSGKGSNL w -";

struct ReaderRow {
    const char *name;
    std::string input;
    // The book written back; empty when the input is refused.
    std::string written;
    // Line labels the problems must name, in order.
    std::vector<std::string> problemLines;
};

class BookReader : public ::testing::TestWithParam<ReaderRow> {};

TEST_P(BookReader, ReadsWhatRealBooksHold) {
    const ReaderRow &row = GetParam();
    const BookReadResult read = readBook(row.input);
    if (row.written.empty()) {
        EXPECT_FALSE(read.ok);
        EXPECT_NE(read.reason.find("#YANEURAOU-DB2016"), std::string::npos) << read.reason;
        return;
    }
    ASSERT_TRUE(read.ok) << read.reason;
    EXPECT_EQ(read.book.text(), row.written);
    ASSERT_EQ(read.problems.size(), row.problemLines.size()) << (read.problems.empty() ? "" : read.problems[0]);
    for (std::size_t i = 0; i < row.problemLines.size(); ++i)
        EXPECT_TRUE(read.problems[i].starts_with(row.problemLines[i])) << read.problems[i];
    // What the writer writes reads back to the same text, with nothing to complain of.
    const BookReadResult again = readBook(read.book.text());
    EXPECT_EQ(again.book.text(), row.written);
    EXPECT_TRUE(again.problems.empty());
}

const std::string HEAD = "#YANEURAOU-DB2016 1.00\n";

INSTANTIATE_TEST_SUITE_P(
    Rows, BookReader,
    ::testing::Values(
        ReaderRow{"AllFields", HEAD + "sfen " + START + " 1\n7g7f 3c3d 30 12 5\n",
                  HEAD + "sfen " + START + " 1\n7g7f 3c3d 30 12 5\n", {}},
        // Each optional field missing from the end, and "none" inside: kept as missing.
        ReaderRow{"MissingFields",
                  HEAD + "sfen " + START + " 1\n2g2f none\n7g7f 3c3d 30\n5g5f none none 7\n6g6f none -10 none 2\n",
                  HEAD + "sfen " + START + " 1\n6g6f none -10 none 2\n7g7f 3c3d 30\n2g2f none\n5g5f none none 7\n",
                  {}},
        // Moves by count, then value; a position without its ply number is ply 1.
        ReaderRow{"SortedByCountThenValue",
                  HEAD + "sfen " + START + "\n2g2f none 10 0 3\n7g7f none 50 0 3\n5g5f none 90 0 1\n",
                  HEAD + "sfen " + START + " 1\n7g7f none 50 0 3\n2g2f none 10 0 3\n5g5f none 90 0 1\n", {}},
        // Positions come out sorted by their SFEN lines, whatever the file's order.
        ReaderRow{"PositionsSorted", HEAD + "sfen " + START + " 1\n7g7f\nsfen " + AFTER_76 + " 2\n3c3d\n",
                  HEAD + "sfen " + AFTER_76 + " 2\n3c3d none\nsfen " + START + " 1\n7g7f none\n", {}},
        // CR LF, a byte-order mark, blank lines, trailing blanks, "//" lines dropped, "#" lines under
        // a position kept as its comment, "#" after a move as the move's.
        ReaderRow{"CrLfBomComments",
                  "\xEF\xBB\xBF" + std::string("#YANEURAOU-DB2016 1.00\r\n// made by hand\r\n\r\nsfen ") + START +
                      " 1  \r\n#相掛かり\r\n7g7f 3c3d 0 0 2 #角道を開ける\r\n\r\n",
                  HEAD + "sfen " + START + " 1\n#相掛かり\n7g7f 3c3d 0 0 2 #角道を開ける\n", {}},
        // The same position twice, with another ply: merged, counts of the same move added, the
        // smaller ply kept. A hand written in another order is made the usual one.
        ReaderRow{"DuplicatesMerged",
                  HEAD + "sfen " + START + " 3\n7g7f none 0 0 2\nsfen " + AFTER_76 + " 2\n3c3d\nsfen " + START +
                      " 1\n7g7f none 0 0 3\n2g2f none 0 0 1\n",
                  HEAD + "sfen " + AFTER_76 + " 2\n3c3d none\nsfen " + START + " 1\n7g7f none 0 0 5\n2g2f none 0 0 1\n",
                  {}},
        ReaderRow{"HandOrderMadeUsual",
                  HEAD + "sfen 4k4/9/9/9/9/9/9/9/4K4 b p2PGRb 1\nG*5b\n",
                  HEAD + "sfen 4k4/9/9/9/9/9/9/9/4K4 b RG2Pbp 1\nG*5b none\n", {}},
        // A move its position does not allow is dropped and named by its line.
        ReaderRow{"IllegalMoveDropped", HEAD + "sfen " + START + " 1\n7g7f\n7g7e\n5i5h\nP*5e\n",
                  HEAD + "sfen " + START + " 1\n7g7f none\n5i5h none\n", {"4行目", "6行目"}},
        // A position line that is not one: skipped with its moves, named once; a move line before
        // any position; a truncated last line.
        ReaderRow{"BadLinesSkipped",
                  HEAD + "7g7f none\nsfen lnsgkgsnl/9 b - 1\n2g2f\nsfen " + START + " 1\n7g7f none 0 0 1\n2g2",
                  HEAD + "sfen " + START + " 1\n7g7f none 0 0 1\n", {"2行目", "3行目", "7行目"}},
        ReaderRow{"BadFieldNamed", HEAD + "sfen " + START + " 1\n7g7f none abc\n2g2f none 1 2 3 #ok\n",
                  HEAD + "sfen " + START + " 1\n2g2f none 1 2 3 #ok\n", {"3行目"}},
        // Numbers a field cannot hold, a ply of 0 and a hand larger than the set: named, not read.
        ReaderRow{"NumbersOutOfRange",
                  HEAD + "sfen " + START + " 1\n7g7f none 0 0 -5\n2g2f none 99999999999999999999\n5g5f\n" +
                      "sfen 4k4/9/9/9/9/9/9/9/4K4 b 19P 1\nP*5e\nsfen " + AFTER_76 + " 0\n3c3d\n",
                  HEAD + "sfen " + START + " 1\n5g5f none\n", {"3行目", "4行目", "6行目", "8行目"}},
        ReaderRow{"NoFormatLine", "sfen " + START + " 1\n7g7f\n", "", {}},
        ReaderRow{"EmptyFile", "", "", {}}),
    [](const ::testing::TestParamInfo<ReaderRow> &row) { return std::string(row.param.name); });

// A fresh, empty folder for one test.
class BookFiles : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = fs::path(::testing::TempDir()) /
                  ("book_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(folder_);
        fs::create_directories(folder_ / "sub");
    }
    void TearDown() override { fs::remove_all(folder_); }
    std::string at(const std::string &name) const { return (folder_ / name).string(); }
    void write(const std::string &name, std::string_view bytes) const {
        std::ofstream(at(name), std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    fs::path folder_;
};

// A book of a few thousand positions, searched in its sorted file, answers as the book read whole:
// every position it holds, and keys before the first, after the last and between two.
TEST_F(BookFiles, SortedFileSearchAnswersAsTheWholeBook) {
    BookBuilder builder(BookBuildOptions{});
    for (unsigned seed = 0; seed < 240; seed += 3) {
        ZnBan game;
        playSeededGame(game, seed, 60);
        builder.addRecord(game, RecordNotes{});
    }
    Book built;
    built.addAll(builder.entries());
    ASSERT_GT(built.size(), 500u);
    ASSERT_TRUE(built.save(at("big.db")).ok);
    const BookReadResult whole = openBook(at("big.db"));
    BookOpenOptions small;
    small.maxInMemory = 0;
    BookReadResult onTheFly = openBook(at("big.db"), small);
    ASSERT_TRUE(whole.ok && onTheFly.ok);
    ASSERT_FALSE(whole.book.onTheFly());
    ASSERT_TRUE(onTheFly.book.onTheFly());
    EXPECT_FALSE(BookReadResult{}.book.onTheFly());
    std::size_t visited = 0;
    whole.book.forEach([&](const BookEntry &entry) {
        const std::optional<BookEntry> found = onTheFly.book.find(entry.sfen);
        ASSERT_TRUE(found) << entry.sfen;
        BookEntry a = entry, b = *found;
        ASSERT_EQ(a.moves.size(), b.moves.size());
        for (std::size_t i = 0; i < a.moves.size(); ++i) {
            EXPECT_EQ(a.moves[i].move, b.moves[i].move);
            EXPECT_EQ(a.moves[i].count, b.moves[i].count);
        }
        EXPECT_EQ(a.ply, b.ply);
        ++visited;
        // Just below this key: absent from both.
        std::string between = entry.sfen;
        between.back() = static_cast<char>(between.back() - 1);
        EXPECT_EQ(whole.book.find(between).has_value(), onTheFly.book.find(between).has_value());
    });
    EXPECT_EQ(visited, built.size());
    for (const char *absent : {"", "0", "~~~~"}) EXPECT_FALSE(onTheFly.book.find(absent)) << absent;
    EXPECT_FALSE(onTheFly.book.save(at("copy.db")).ok);
    EXPECT_FALSE(onTheFly.book.put(BookEntry{START, 1, "x", {}}));
}

// The search of a file copes with what a file may be: no format line (refused), nothing after it, a
// last line without its end, a folder.
TEST_F(BookFiles, SortedFileSearchOfOddFiles) {
    BookOpenOptions onTheFly;
    onTheFly.maxInMemory = 0;
    write("none.db", "sfen " + START + " 1\n7g7f\n");
    write("head.db", HEAD);
    write("cut.db", HEAD + "sfen " + AFTER_76 + " 2\n3c3d\nsfen " + START + " 1\n7g7f none 0 0 4");
    EXPECT_FALSE(openBook(at("none.db"), onTheFly).ok);
    EXPECT_FALSE(openBook(at("sub"), onTheFly).ok);
    const BookReadResult head = openBook(at("head.db"), onTheFly);
    ASSERT_TRUE(head.ok);
    EXPECT_FALSE(head.book.find(START));
    const BookReadResult cut = openBook(at("cut.db"), onTheFly);
    ASSERT_TRUE(cut.ok && cut.book.onTheFly());
    const std::optional<BookEntry> last = cut.book.find(START);
    ASSERT_TRUE(last);
    ASSERT_EQ(last->moves.size(), 1u);
    EXPECT_EQ(last->moves[0].count, 4u);
    EXPECT_EQ(cut.book.find(AFTER_76)->moves.size(), 1u);
}

// A book read without checking its moves drops an illegal one when its position is shown.
TEST_F(BookFiles, MovesAreCheckedWhenShownInLargeBooks) {
    BookReadOptions options;
    options.checkMoves = false;
    const BookReadResult read = readBook(HEAD + "sfen " + START + " 1\n7g7f\n7g7e\n", options);
    ASSERT_TRUE(read.ok);
    EXPECT_TRUE(read.problems.empty());
    ZnBan game;
    RecordNotes notes;
    ASSERT_TRUE(readSfen(game, notes, "startpos").ok);
    const BookMoves moves = movesFor(read.book, game);
    ASSERT_TRUE(moves.entry);
    ASSERT_EQ(moves.entry->moves.size(), 1u);
    ASSERT_EQ(moves.dropped.size(), 1u);
    EXPECT_TRUE(moves.dropped[0].starts_with("4行目")) << moves.dropped[0];
}

// Editing: a position put replaces the one of its key, an empty one removes it, and the book stays
// sorted for the search.
TEST_F(BookFiles, PutReplacesAddsAndRemoves) {
    BookReadResult read = readBook(HEAD + "sfen " + AFTER_76 + " 2\n3c3d\n");
    ASSERT_TRUE(read.ok);
    Book &book = read.book;
    BookEntry start{START, 1, "初手", {}};
    Move move;
    ASSERT_TRUE(readUsiWord("2g2f", move));
    start.moves.push_back(BookMove{move, std::nullopt, 5, std::nullopt, 9, "", 0});
    ASSERT_TRUE(book.put(start));
    EXPECT_EQ(book.text(), HEAD + "sfen " + AFTER_76 + " 2\n3c3d none\nsfen " + START +
                               " 1\n#初手\n2g2f none 5 none 9\n");
    ASSERT_TRUE(book.put(BookEntry{AFTER_76, 2, "", {}}));
    EXPECT_EQ(book.size(), 1u);
    ASSERT_TRUE(book.save(at("edited.db")).ok);
    const BookReadResult again = openBook(at("edited.db"));
    ASSERT_TRUE(again.ok);
    EXPECT_EQ(again.book.text(), book.text());
}

// Counts added to a book read from a file: a move it holds gains the count, a new move and a new
// position come in, and the positions it keeps untouched are still read from the file's bytes.
TEST_F(BookFiles, AddAllMergesIntoABookReadFromText) {
    BookReadResult read = readBook(HEAD + "sfen " + AFTER_76 + " 2\n3c3d none 0 0 1\nsfen " + START +
                                   " 1\n7g7f none 5 0 2\n");
    ASSERT_TRUE(read.ok);
    Move move76, move26;
    ASSERT_TRUE(readUsiWord("7g7f", move76) && readUsiWord("2g2f", move26));
    const std::string other = "4k4/9/9/9/9/9/9/9/4K4 b G";
    std::vector<BookEntry> added = {
        {START, 1, "", {BookMove{move76, std::nullopt, std::nullopt, std::nullopt, 3, "", 0},
                        BookMove{move26, std::nullopt, std::nullopt, std::nullopt, 4, "", 0}}},
        {other, 1, "", {BookMove{Move{IN_HAND, 13, false, GOLD}, std::nullopt, std::nullopt, std::nullopt, 1, "", 0}}}};
    ASSERT_TRUE(read.book.addAll(added));
    EXPECT_EQ(read.book.text(), HEAD + "sfen " + other + " 1\nG*5b none none none 1\nsfen " + AFTER_76 +
                                    " 2\n3c3d none 0 0 1\nsfen " + START + " 1\n7g7f none 5 0 5\n2g2f none none none 4\n");
}

// The choice from a book follows the counts and the seed: the same seed the same moves, and over many
// draws each move about as often as its share.
TEST(BookChooser, ChoosesInProportionToCounts) {
    std::vector<BookMove> moves(3);
    for (std::size_t i = 0; i < moves.size(); ++i) moves[i].move = Move{IN_HAND, static_cast<Square>(i), false, PAWN};
    moves[0].count = 6;
    moves[1].count = 3;
    moves[2].count = 0;
    BookChooser first(7), second(7);
    int seen[3] = {};
    for (int draw = 0; draw < 9000; ++draw) {
        const std::optional<BookMove> a = first.choose(moves), b = second.choose(moves);
        ASSERT_TRUE(a && b);
        ASSERT_EQ(a->move, b->move);
        ++seen[a->move.to];
    }
    EXPECT_NEAR(seen[0], 6000, 300);
    EXPECT_NEAR(seen[1], 3000, 300);
    EXPECT_EQ(seen[2], 0);
    EXPECT_FALSE(first.choose(std::vector<BookMove>{}));
    // From a book, a move the position does not allow is never chosen, however often it was played.
    const BookReadResult read =
        readBook(HEAD + "sfen " + START + " 1\n7g7e none 0 0 1000000\n2g2f none 0 0 1\n", BookReadOptions{false});
    ASSERT_TRUE(read.ok);
    ZnBan game;
    RecordNotes notes;
    ASSERT_TRUE(readSfen(game, notes, "startpos").ok);
    for (int draw = 0; draw < 20; ++draw) {
        const std::optional<BookMove> chosen = first.choose(read.book, game);
        ASSERT_TRUE(chosen);
        EXPECT_EQ(usiMoveWord(chosen->move), "2g2f");
    }
}

}  // namespace
