// The CSA, SFEN and USI records other programs wrote, read against the final position and move
// count their manifest gives, and recognised as what they are from their contents alone. They live outside
// the project and the test skips when they are absent.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "core/verify.h"
#include "record/formats.h"
#include "record/sfen.h"

namespace {

std::filesystem::path fixtureFolder() {
    if (const char *folder = std::getenv("NAGI_RECORD_FIXTURES")) return folder;
    return std::filesystem::path(NAGI_SOURCE_DIR) / ".." / "shared" / "record-fixtures";
}

std::vector<std::string> fieldsOf(const std::string &line) {
    std::vector<std::string> fields;
    std::istringstream in(line);
    for (std::string field; std::getline(in, field, '\t');) fields.push_back(field);
    return fields;
}

std::string bytesOf(const std::filesystem::path &path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

TEST(RecordFixtures, CsaSfenAndUsiFilesReadToTheirFinalPositions) {
    const std::filesystem::path folder = fixtureFolder();
    std::ifstream manifest(folder / "MANIFEST.tsv");
    if (!manifest) GTEST_SKIP() << "no record fixtures at " << folder;
    std::string line;
    std::getline(manifest, line);
    const std::vector<std::string> columns = fieldsOf(line);
    auto column = [&columns](std::string_view name) {
        for (std::size_t i = 0; i < columns.size(); ++i)
            if (columns[i] == name) return i;
        ADD_FAILURE() << "MANIFEST.tsv has no column " << name;
        return std::size_t{0};
    };
    const std::size_t pathColumn = column("path"), statusColumn = column("status"),
                      movesColumn = column("moves"), sfenColumn = column("final_sfen");
    int read = 0;
    while (std::getline(manifest, line)) {
        const std::vector<std::string> fields = fieldsOf(line);
        if (fields.size() < columns.size()) continue;
        const std::filesystem::path path = fields[pathColumn];
        const std::string extension = path.extension().string();
        if (extension != ".csa" && extension != ".sfen" && extension != ".usi") continue;
        if (fields[statusColumn] != "ok") continue;
        const std::string bytes = bytesOf(folder / path);
        ASSERT_FALSE(bytes.empty()) << path;
        ZnBan game;
        RecordNotes notes;
        // Through the one entry point, as the window and the converter read them: picked by the
        // name, decoded, then read.
        const RecordResult result = readRecordBytes(game, notes, bytes, path.filename().string());
        EXPECT_EQ(detectFormat(bytes), formatOfFileName(path.string()))
            << path << ": the contents alone tell the format";
        ASSERT_TRUE(result.ok) << path << ": " << result.reason;
        EXPECT_EQ(findInconsistency(game), "") << path;
        EXPECT_EQ(std::to_string(game.moveCount()), fields[movesColumn]) << path;
        EXPECT_EQ(positionSfen(game), fields[sfenColumn]) << path;
        ++read;
    }
    EXPECT_GT(read, 0);
}

}  // namespace
