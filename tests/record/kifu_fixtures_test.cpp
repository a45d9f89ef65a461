// Real KIF and KI2 records written by other programs, read through the one entry point that the
// window and the converter use: each must give the final position and move count its manifest
// lists. The records stay outside the project; without them the test skips.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "core/verify.h"
#include "record/formats.h"
#include "record/position.h"
#include "record/sfen.h"

namespace {

const std::filesystem::path FIXTURES =
    std::filesystem::path(NAGI_SOURCE_DIR) / ".." / "shared" / "record-fixtures";

struct ManifestRow {
    std::string path, format, status, moves, sfen, branches, comments, specialEnd;
};

std::vector<ManifestRow> manifestRows() {
    std::ifstream in(FIXTURES / "MANIFEST.tsv");
    std::vector<ManifestRow> rows;
    std::string line;
    std::getline(in, line);  // the column names
    while (std::getline(in, line)) {
        std::vector<std::string> cells;
        std::stringstream cellsIn(line);
        for (std::string cell; std::getline(cellsIn, cell, '\t');) cells.push_back(cell);
        if (cells.size() < 12) continue;
        rows.push_back({cells[0], cells[1], cells[4], cells[5], cells[6], cells[8], cells[9], cells[11]});
    }
    return rows;
}

std::string fileBytes(const std::filesystem::path &path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The KIF end word the manifest's name for the ending stands for; "" for none.
std::string endWordOf(const std::string &specialEnd) {
    if (specialEnd == "resign") return "投了";
    if (specialEnd == "interrupt") return "中断";
    if (specialEnd == "mate") return "詰み";
    if (specialEnd.rfind("any:", 0) == 0) return specialEnd.substr(4);
    return "";
}

TEST(KifuFixtures, RealRecordsGiveTheirListedFinalPositions) {
    if (!std::filesystem::exists(FIXTURES / "MANIFEST.tsv"))
        GTEST_SKIP() << "no record fixtures at " << FIXTURES;
    int read = 0;
    for (const ManifestRow &row : manifestRows()) {
        if (row.format != "KIF" && row.format != "KI2" && row.format != "JKF") continue;
        const std::filesystem::path path = FIXTURES / row.path;
        const std::string bytes = fileBytes(path);
        ZnBan game;
        RecordNotes notes;
        const RecordResult result = readRecordBytes(game, notes, bytes, path.filename().string());
        ASSERT_TRUE(result.ok) << row.path << ": " << result.reason;
        ++read;
        if (row.status != "ok") {
            // Records the reference library refuses for an end word written as a move ("△投了"):
            // read here, they end where that word stands.
            EXPECT_FALSE(notes.endWord.empty()) << row.path;
            continue;
        }
        EXPECT_EQ(game.moveCount(), std::stoi(row.moves)) << row.path;
        ZnBan expected;
        RecordNotes none;
        ASSERT_TRUE(readSfen(expected, none, row.sfen).ok) << row.path;
        EXPECT_EQ(positionOf(game), positionOf(expected)) << row.path;
        EXPECT_EQ(findInconsistency(game), "") << row.path;
        // The reference library also counts the extra closing lines of a KI2 file as branches,
        // so only the counts of KIF and JKF files are compared both ways.
        if (notes.tree.branchCount() > 0 || row.format != "KI2") {
            EXPECT_EQ(notes.tree.branchCount() > 0, row.branches == "yes") << row.path;
        }
        if (row.comments == "yes") {
            bool any = !notes.startComments.empty();
            for (const auto &comments : notes.moveComments) any = any || !comments.empty();
            EXPECT_TRUE(any) << row.path;
        }
        EXPECT_EQ(notes.endWord, endWordOf(row.specialEnd)) << row.path;
        // The whole line is there to take back, down to the first position.
        while (game.moveCount() > 0) ASSERT_TRUE(game.undoMove()) << row.path;
    }
    EXPECT_GE(read, 50);
}

// The same branchy games written by other programs as KIF and as JKF read as the same moves at
// every fork.
TEST(KifuFixtures, BranchyGamesReadAsTheSameTreeFromKifAndJkf) {
    if (!std::filesystem::exists(FIXTURES / "MANIFEST.tsv"))
        GTEST_SKIP() << "no record fixtures at " << FIXTURES;
    for (const char *name : {"forks", "everyday_20211107", "everyday_20220604", "Shogidokoro"}) {
        RecordTree trees[2];
        for (const char *extension : {".kifu", ".json"}) {
            const std::string file = std::string("shogi-kifu-converter/data/tests/kif/") + name + extension;
            ZnBan game;
            RecordNotes notes;
            ASSERT_TRUE(readRecordBytes(game, notes, fileBytes(FIXTURES / file), file).ok) << file;
            // Only the moves count: the programs word their comments and times each its own way.
            for (int id = 0; id < notes.tree.size(); ++id) {
                RecordNode &node = notes.tree.node(id);
                node.comments.clear();
                node.ms = node.endMs = -1;
                node.endWord.clear();
                node.chosen = 0;
            }
            trees[extension[1] == 'k' ? 0 : 1] = notes.tree;
        }
        EXPECT_GT(trees[0].branchCount(), 0) << name;
        EXPECT_TRUE(sameTree(trees[0], trees[1])) << name;
    }
}

}  // namespace
