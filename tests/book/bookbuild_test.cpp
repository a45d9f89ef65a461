// A book built from a folder of small records whose counts are known by hand, under each option.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>

#include "book/bookbuild.h"
#include "book/book.h"
#include "record/notes.h"
#include "record/sfen.h"

namespace fs = std::filesystem;

namespace {

// r1, r4 and r5 have no names; Habu plays sente in r2 and gote in r3, whose move 2 has a branch.
const std::map<std::string, std::string> RECORDS = {
    {"r1.usi", "position startpos moves 7g7f 3c3d 2g2f 8c8d\n"},
    {"r2.csa", "V2.2\nN+Habu\nN-Sato\nPI\n+\n+7776FU\n-3334FU\n"},
    {"r3.kifu", "手合割：平手\n先手：Kato\n後手：Habu\n手数----指手---------消費時間--\n"
                "   1 ７六歩(77)\n   2 ３四歩(33)+\n   3 ２六歩(27)\n\n変化：2手\n   2 ８四歩(83)\n"},
    {"sub/r4.usi", "position startpos moves 2g2f 8c8d\n"},
    // The free board lets the king step into the rook's rank; the rules do not, so the line stops
    // before that move and the record adds no position.
    {"sub/r5.usi", "position sfen 4k4/9/9/9/9/9/9/8r/K8 b - 1 moves 9i9h 5a5b\n"},
    {"notes.txt", "not a record, and not read: its extension names no format\n"},
    {"sub/broken.csa", "V2.2\nPI\n+\n+7776KI\n"},
};

// The counts the book holds: "MOVES>MOVE" (the line from the start, then the book move) to count.
using Counts = std::map<std::string, std::uint64_t>;

struct BuildRow {
    const char *name;
    BookBuildOptions options;
    Counts counts;
    int records;
};

class BookBuild : public ::testing::TestWithParam<BuildRow> {};

Counts countsOf(const Book &book) {
    // Every line the records reach, so that each book position can be named by its moves.
    const std::vector<std::string> lines = {"", "7g7f", "2g2f", "7g7f 3c3d", "7g7f 8c8d", "7g7f 3c3d 2g2f"};
    Counts counts;
    std::size_t named = 0;
    for (const std::string &line : lines) {
        ZnBan game;
        RecordNotes notes;
        EXPECT_TRUE(readSfen(game, notes, line.empty() ? "startpos" : "startpos moves " + line).ok);
        const std::optional<BookEntry> entry = book.find(bookKey(game));
        if (!entry) continue;
        ++named;
        for (const BookMove &move : entry->moves) counts[line + ">" + usiMoveWord(move.move)] = move.count.value_or(0);
    }
    EXPECT_EQ(named, book.size());
    return counts;
}

TEST_P(BookBuild, CountsEachMoveOfEachRecord) {
    const BuildRow &row = GetParam();
    const fs::path folder = fs::path(::testing::TempDir()) / ("bookbuild_" + std::string(row.name));
    fs::remove_all(folder);
    fs::create_directories(folder / "sub");
    for (const auto &[name, text] : RECORDS) std::ofstream(folder / name, std::ios::binary) << text;
    BookBuilder builder(row.options);
    builder.addPath(folder.string());
    Book book;
    builder.addTo(book);
    EXPECT_EQ(countsOf(book), row.counts);
    EXPECT_EQ(builder.records(), row.records);
    // The broken record is named and passed over.
    ASSERT_EQ(builder.problems().size(), 1u);
    EXPECT_NE(builder.problems()[0].find("broken.csa"), std::string::npos) << builder.problems()[0];
    // Adding the same records again to the book doubles every count.
    builder.addTo(book);
    Counts doubled = row.counts;
    for (auto &[line, count] : doubled) count *= 2;
    EXPECT_EQ(countsOf(book), doubled);
    fs::remove_all(folder);
}

BookBuildOptions with(int plies, std::uint64_t minCount, std::string player, bool branches) {
    return BookBuildOptions{plies, minCount, std::move(player), branches};
}

INSTANTIATE_TEST_SUITE_P(
    Rows, BookBuild,
    ::testing::Values(
        BuildRow{"Everything", with(40, 1, "", true),
                 {{">7g7f", 3}, {">2g2f", 1}, {"7g7f>3c3d", 3}, {"7g7f>8c8d", 1}, {"7g7f 3c3d>2g2f", 2},
                  {"7g7f 3c3d 2g2f>8c8d", 1}, {"2g2f>8c8d", 1}},
                 5},
        BuildRow{"MainLineOnly", with(40, 1, "", false),
                 {{">7g7f", 3}, {">2g2f", 1}, {"7g7f>3c3d", 3}, {"7g7f 3c3d>2g2f", 2}, {"7g7f 3c3d 2g2f>8c8d", 1},
                  {"2g2f>8c8d", 1}},
                 5},
        BuildRow{"FirstPly", with(1, 1, "", true), {{">7g7f", 3}, {">2g2f", 1}}, 5},
        BuildRow{"SeenTwice", with(40, 2, "", true),
                 {{">7g7f", 3}, {">2g2f", 1}, {"7g7f>3c3d", 3}, {"7g7f>8c8d", 1}, {"7g7f 3c3d>2g2f", 2}}, 5},
        // Habu's moves alone: sente's first move in r2, gote's answers in r3 with its branch.
        BuildRow{"OnePlayer", with(40, 1, "Habu", true), {{">7g7f", 1}, {"7g7f>3c3d", 1}, {"7g7f>8c8d", 1}}, 2}),
    [](const ::testing::TestParamInfo<BuildRow> &row) { return std::string(row.param.name); });

// The records beside the project: every position of the book built from them holds only moves its
// rules allow, and the written book reads back as itself.
TEST(BookBuildFixtures, BookFromRealRecordsReadsBack) {
    const fs::path fixtures = "/work/shared/record-fixtures";
    if (!fs::is_directory(fixtures)) GTEST_SKIP() << "no record fixtures at " << fixtures;
    BookBuilder builder(BookBuildOptions{});
    builder.addPath(fixtures.string());
    Book book;
    builder.addTo(book);
    ASSERT_GT(book.size(), 100u);
    const BookReadResult read = readBook(book.text());
    ASSERT_TRUE(read.ok);
    EXPECT_TRUE(read.problems.empty()) << read.problems.front();
    EXPECT_EQ(read.book.text(), book.text());
}

}  // namespace
