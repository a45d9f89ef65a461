#include "kifu/matecommand.h"

#include <filesystem>
#include <ostream>
#include <sstream>

#include "core/preview.h"
#include "engine/pv.h"
#include "kifu/cli.h"
#include "record/formats.h"
#include "record/notation.h"
#include "record/sfen.h"
#include "support/readfile.h"

const char *const MATE_USAGE =
    "  nagikifu mate [--time ミリ秒] [--nodes 数] [--hash MB] 局面\n"
    "  nagikifu mate [--time ミリ秒] [--nodes 数] [--hash MB] --batch ファイル\n"
    "  nagikifu mate --engine エンジン [--time ミリ秒] 局面\n"
    "      手番の側に詰みがあるかを調べます（既定 10000 ミリ秒、表 64 MB）。局面は perft と同じか棋譜\n"
    "      ファイル（最後の局面）。答えは 詰み（手数と手順）・不詰（詰みがないと証明）・不明（制限内に\n"
    "      決まらない）。--batch はファイルの1行に1局面（SFEN か position ...）を読み、1行ずつ\n"
    "      「SFEN<TAB>答え<TAB>手数<TAB>USI の手順<TAB>ミリ秒」を出し、集計を標準エラーに出します。\n"
    "      --engine は USI エンジンに go mate で尋ね、その手順をルールで確かめてから示します。\n";

namespace {

constexpr int FAILED = 1;
constexpr int USAGE_ERROR = 2;

struct MateCommand {
    MateLimits limits;
    std::string engine;
    std::string batch;
    std::vector<std::string> position;
    std::string problem;
};

bool readNumber(const std::string &text, std::uint64_t high, std::uint64_t &value) {
    if (text.empty() || text.size() > 19 || text.find_first_not_of("0123456789") != std::string::npos) return false;
    value = std::stoull(text);
    return value <= high;
}

MateCommand parseMate(const std::vector<std::string> &args) {
    MateCommand command;
    command.limits.milliseconds = 10000;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string &arg = args[i];
        const bool valued =
            arg == "--time" || arg == "--nodes" || arg == "--hash" || arg == "--batch" || arg == "--engine";
        if (valued && i + 1 == args.size()) {
            command.problem = arg + " の後に値がありません";
            return command;
        }
        std::uint64_t number = 0;
        if (arg == "--batch") {
            command.batch = args[++i];
        } else if (arg == "--engine") {
            command.engine = args[++i];
        } else if (arg == "--time") {
            if (!readNumber(args[++i], 1ull << 40, number)) command.problem = "--time はミリ秒の数です: " + args[i];
            command.limits.milliseconds = static_cast<std::int64_t>(number);
        } else if (arg == "--nodes") {
            if (!readNumber(args[++i], ~0ull >> 1, number)) command.problem = "--nodes は数です: " + args[i];
            command.limits.nodes = number;
        } else if (arg == "--hash") {
            if (!readNumber(args[++i], 65536, number) || number == 0)
                command.problem = "--hash は 1 から 65536 までの MB です: " + args[i];
            command.limits.tableBytes = static_cast<std::size_t>(number) << 20;
        } else if (arg.size() > 1 && arg[0] == '-' && command.position.empty()) {
            command.problem = "知らないオプションです: " + arg;
        } else {
            command.position.push_back(arg);
        }
        if (!command.problem.empty()) return command;
    }
    if (command.batch.empty() && command.position.empty()) command.problem = "mate には局面が要ります";
    if (!command.batch.empty() && !command.position.empty()) command.problem = "--batch と局面は一緒に使えません";
    if (!command.engine.empty() && !command.batch.empty()) command.problem = "--engine と --batch は一緒に使えません";
    return command;
}

// A record file's last position, or the words as perft reads them.
RecordResult readPosition(const std::vector<std::string> &words, ZnBan &game) {
    RecordNotes notes;
    std::error_code error;
    if (words.size() == 1 && std::filesystem::is_regular_file(words[0], error)) {
        const FileBytes read = readRegularFile(words[0]);
        if (!read.ok) return {false, read.reason};
        return readRecordBytes(game, notes, read.bytes, words[0], RecordFormat::Unknown);
    }
    std::string text;
    for (const std::string &word : words) {
        if (!text.empty()) text += ' ';
        text += word;
    }
    return readSfen(game, notes, text);
}

const char *answerWord(MateAnswer answer) {
    switch (answer) {
        case MateAnswer::Mate: return "詰み";
        case MateAnswer::NoMate: return "不詰";
        case MateAnswer::Unknown: break;
    }
    return "不明";
}

std::string usiLine(const std::vector<Move> &line) {
    std::string words;
    for (const Move &move : line) {
        if (!words.empty()) words += ' ';
        words += usiMoveWord(move);
    }
    return words;
}

int runBatch(const MateCommand &command, std::ostream &out, std::ostream &err) {
    const FileBytes read = readRegularFile(command.batch);
    if (!read.ok) {
        err << "nagikifu: " << command.batch << ": " << read.reason << '\n';
        return FAILED;
    }
    std::istringstream lines(read.bytes);
    MateSolver solver;
    int counts[3] = {}, lineNumber = 0;
    std::int64_t milliseconds = 0;
    std::uint64_t nodes = 0;
    for (std::string text; std::getline(lines, text);) {
        ++lineNumber;
        if (!text.empty() && text.back() == '\r') text.pop_back();
        if (text.find_first_not_of(" \t") == std::string::npos || text[0] == '#') continue;
        ZnBan game;
        RecordNotes notes;
        MateResult result;
        if (const RecordResult position = readSfen(game, notes, text); !position.ok) {
            err << "nagikifu: " << command.batch << ":" << lineNumber << ": " << position.reason << '\n';
            out << text << "\t不明\t0\t\t0\n";
            ++counts[2];
            continue;
        }
        result = solver.solve(game, command.limits);
        if (!result.problem.empty())
            err << "nagikifu: " << command.batch << ":" << lineNumber << ": " << result.problem << '\n';
        ++counts[static_cast<int>(result.answer)];
        milliseconds += result.milliseconds;
        nodes += result.nodes;
        out << positionSfen(game) << '\t' << answerWord(result.answer) << '\t' << result.line.size() << '\t'
            << usiLine(result.line) << '\t' << result.milliseconds << '\n';
    }
    err << "詰み " << counts[0] << "・不詰 " << counts[1] << "・不明 " << counts[2] << "、計 " << milliseconds
        << " ミリ秒、" << nodes << " 局面\n";
    return out ? 0 : FAILED;
}

// The same question put to a USI engine; its line is the engine's and is shown only once replayed.
int askEngine(const MateCommand &command, const ZnBan &game, std::ostream &out, std::ostream &err) {
    if (const std::string problem = mateProblem(game); !problem.empty()) {
        err << "nagikifu: 局面: 詰みを調べられません（" << problem << "）\n";
        return FAILED;
    }
    const EngineMate mate = askMateEngine(command.engine, game, command.limits.milliseconds,
                                          static_cast<int>(command.limits.tableBytes >> 20));
    if (!mate.fault.empty()) err << "nagikifu: " << command.engine << ": " << mate.fault << '\n';
    MateResult result;
    result.answer = mate.answer;
    result.line = mate.line;
    out << mateReport(game, result);
    return out ? 0 : FAILED;
}

}  // namespace

std::string mateReport(const ZnBan &game, const MateResult &result) {
    if (result.answer != MateAnswer::Mate) return std::string(answerWord(result.answer)) + "\n";
    ZnBan before;
    copyPosition(game, before);
    std::string moves;
    Square previousTo = IN_HAND;
    for (const Move &move : result.line) {
        if (!moves.empty()) moves += ' ';
        moves += readingMoveText(before, Move{move.from, move.to, move.promote, move.dropKind}, previousTo);
        if (!applyMove(before, move)) break;
        previousTo = move.to;
    }
    std::string text = "詰み " + std::to_string(result.line.size()) + "手: " + moves + "\n読み筋: " +
                       usiLine(result.line) + "\n";
    if (!result.shortest) text += "（これより短い詰みがないことは確かめられていません）\n";
    return text;
}

int runMate(const std::vector<std::string> &args, std::ostream &out, std::ostream &err) {
    const MateCommand command = parseMate(args);
    if (!command.problem.empty()) {
        err << "nagikifu: " << command.problem << '\n' << MATE_USAGE;
        return USAGE_ERROR;
    }
    if (!command.batch.empty()) return runBatch(command, out, err);
    ZnBan game;
    if (const RecordResult read = readPosition(command.position, game); !read.ok) {
        err << "nagikifu: 局面: " << read.reason << '\n';
        return FAILED;
    }
    if (!command.engine.empty()) return askEngine(command, game, out, err);
    MateSolver solver;
    const MateResult result = solver.solve(game, command.limits);
    if (!result.problem.empty()) {
        err << "nagikifu: 局面: 詰みを調べられません（" << result.problem << "）\n";
        return FAILED;
    }
    out << mateReport(game, result);
    return out ? 0 : FAILED;
}
