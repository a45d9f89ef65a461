#include "engine/openings.h"

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <system_error>

#include "core/position_check.h"
#include "core/rules.h"
#include "engine/pv.h"
#include "record/formats.h"
#include "record/sfen.h"
#include "support/readfile.h"
#include "support/text.h"

namespace {

// Why the game's line cannot open a game by the rules; empty when it can.
std::string openingProblem(ZnBan &game) {
    if (!game.history().empty() && lineCommand(game).find(" moves ") == std::string::npos)
        return "規則に反する指し手があります";
    if (std::string problem = analysisProblem(game, "対局できません"); !problem.empty()) return problem;
    if (!hasLegalMove(game)) return "指せる手のない局面です";
    return {};
}

// `usi` with at most `plies` of its moves.
std::string firstPlies(const std::string &usi, int plies) {
    const std::size_t moves = usi.find(" moves ");
    if (moves == std::string::npos) return usi;
    std::istringstream words(usi.substr(moves + 7));
    std::string cut = usi.substr(0, moves), word;
    for (int ply = 0; ply < plies && words >> word; ++ply) cut += (ply == 0 ? " moves " : " ") + word;
    return cut;
}

bool recordFile(RecordFormat format) {
    return format == RecordFormat::Kif || format == RecordFormat::Ki2 || format == RecordFormat::Csa ||
           format == RecordFormat::Jkf || format == RecordFormat::Ngr;
}

// The opening of the record at `path`, its first `plies` moves.
std::string openingOfRecord(const std::string &path, int plies, Opening &opening) {
    const FileBytes file = readRegularFile(path);
    if (!file.ok) return file.reason;
    ZnBan game;
    RecordNotes notes;
    if (const RecordResult read = readRecordBytes(game, notes, file.bytes, path); !read.ok) return read.reason;
    const std::string usi = writeUsi(game, notes.firstMoveNumber);
    if (usi.empty()) return "棋譜の指し手を再生できません";
    std::string line = firstPlies(usi, plies);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    opening.source = path;
    return openingOfLine(line, opening);
}

}  // namespace

std::string openingOfLine(const std::string &line, Opening &opening) {
    ZnBan game;
    RecordNotes notes;
    if (const RecordResult read = readSfen(game, notes, line); !read.ok) return read.reason;
    if (std::string problem = openingProblem(game); !problem.empty()) return problem;
    opening.usi = writeUsi(game, notes.firstMoveNumber);
    while (!opening.usi.empty() && (opening.usi.back() == '\n' || opening.usi.back() == '\r')) opening.usi.pop_back();
    return {};
}

OpeningsRead readOpenings(const std::string &path, int plies) {
    OpeningsRead result;
    std::error_code error;
    if (std::filesystem::is_directory(path, error)) {
        std::vector<std::string> files;
        for (const auto &entry : std::filesystem::directory_iterator(path, error))
            if (entry.is_regular_file(error) &&
                formatOfFileName(entry.path().filename().string()) != RecordFormat::Unknown)
                files.push_back(entry.path().string());
        if (error) {
            result.problem = path + ": フォルダを読めません: " + error.message();
            return result;
        }
        std::sort(files.begin(), files.end());
        for (const std::string &file : files) {
            Opening opening;
            if (std::string problem = openingOfRecord(file, plies, opening); !problem.empty()) {
                result.problem = file + ": " + problem;
                result.openings.clear();
                return result;
            }
            result.openings.push_back(std::move(opening));
        }
        if (result.openings.empty()) result.problem = path + ": 棋譜がありません";
        return result;
    }
    if (recordFile(formatOfFileName(path))) {
        Opening opening;
        if (std::string problem = openingOfRecord(path, plies, opening); !problem.empty())
            result.problem = path + ": " + problem;
        else
            result.openings.push_back(std::move(opening));
        return result;
    }
    const FileBytes file = readRegularFile(path);
    if (!file.ok) {
        result.problem = path + ": " + file.reason;
        return result;
    }
    std::istringstream lines(file.bytes);
    int number = 0;
    for (std::string raw; std::getline(lines, raw);) {
        ++number;
        const std::string line(trimmed(raw, Blanks::SpaceTabTrailingCr));
        if (line.empty() || line[0] == '#') continue;
        Opening opening;
        opening.source = path + ":" + std::to_string(number);
        if (std::string problem = openingOfLine(line, opening); !problem.empty()) {
            result.problem = opening.source + ": 局面ではありません（" + problem + "）: " + line.substr(0, 80);
            result.openings.clear();
            return result;
        }
        result.openings.push_back(std::move(opening));
    }
    if (result.openings.empty()) result.problem = path + ": 局面がありません";
    return result;
}

std::string setUpOpening(GameRecord &record, const Opening &opening) {
    RecordNotes notes;
    if (const RecordResult read = readSfen(record.game(), notes, opening.usi); !read.ok) return read.reason;
    record.reset(std::move(notes));
    return {};
}
