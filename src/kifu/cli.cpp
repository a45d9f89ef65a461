// The converter reads its whole input before it writes anything, and writes a file the way the
// window saves one (support/savefile): a failure at any step leaves no partial output behind and
// the old file as it was.

#include "kifu/cli.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <csignal>
#include <iostream>
#include <sstream>
#include <string_view>

#include "core/position_check.h"
#include "core/rules.h"
#include "engine/pv.h"
#include "kifu/analyse.h"
#include "kifu/bookcommand.h"
#include "kifu/csa.h"
#include "kifu/match.h"
#include "kifu/matecommand.h"
#include "kifu/showboard.h"
#include "record/formats.h"
#include "record/kifu_text.h"
#include "record/notation.h"
#include "record/play.h"
#include "record/sfen.h"
#include "support/savefile.h"
#include "support/syserror.h"

#ifndef NAGI_ANALYSE
// Built without Qt: no engine can be run.
const char *const ANALYSE_USAGE = "";
int runAnalyse(const std::vector<std::string> &, std::ostream &err, bool) {
    err << "nagikifu: この nagikifu は解析（analyse）なしで作られています\n";
    return 2;
}
EngineMate askMateEngine(const std::string &, const ZnBan &, std::int64_t, int) {
    EngineMate mate;
    mate.fault = "この nagikifu はエンジンなしで作られています";
    return mate;
}
const char *const MATCH_USAGE = "";
const char *const CSA_USAGE = "";
int runCsa(const std::vector<std::string> &, std::ostream &, std::ostream &err) {
    err << "nagikifu: この nagikifu は通信対局（csa）なしで作られています\n";
    return 2;
}
int runMatch(const std::vector<std::string> &, std::ostream &, std::ostream &err, bool) {
    err << "nagikifu: この nagikifu は対局（match）なしで作られています\n";
    return 2;
}
#endif

namespace {

constexpr std::string_view USAGE =
    "使い方:\n"
    "  nagikifu convert [--from 形式] [--to 形式] 入力 出力\n"
    "      棋譜を別の形式に変換します。形式は拡張子から決まり、--to / --from で指定もできます。\n"
    "  nagikifu show [--from 形式] 入力\n"
    "      最後の局面の盤面図と、各マスに利いている先手・後手の駒の数、ルールでの判定を表示します。\n"
    "  nagikifu perft [--divide] 深さ [局面]\n"
    "      合法手の木の末端の数を数えます（深さは8まで）。局面は startpos（既定）か SFEN で、\n"
    "      後に moves ... を続けられます。--divide は初手ごとの数も表示します。\n"
    "  入力・出力に「-」を書くと標準入力・標準出力を使います（analyse を除く）。\n"
    "  形式: ngr kif kifu ki2 ki2u csa sfen usi jkf（kif と ki2 は Shift_JIS、kifu と ki2u は UTF-8）\n"
    "  .sfen には最後の局面の SFEN を、.usi には「position ... moves ...」の1行を書きます。\n";

// Exit statuses: the work failed, or the command line was wrong.
constexpr int FAILED = 1;
constexpr int USAGE_ERROR = 2;

// The format of a name such as "kif" or of a file name such as "game.kif"; ".kif" and ".ki2" are
// Shift-JIS, the other KIF and KI2 names UTF-8.
Target targetOf(std::string_view extension) {
    Target target;
    target.format = formatOfFileName("x." + std::string(extension));
    target.shiftJis = shiftJisFileName("x." + std::string(extension));
    return target;
}

struct CommandLine {
    std::string command;
    std::vector<std::string> files;
    std::string from, to;
    bool help = false;
    bool divide = false;
    std::string problem;
};

CommandLine parse(const std::vector<std::string> &args) {
    CommandLine line;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string &arg = args[i];
        if (arg == "-h" || arg == "--help" || arg == "help") {
            line.help = true;
        } else if (arg == "--divide") {
            line.divide = true;
        } else if (arg == "--to" || arg == "--from") {
            if (i + 1 == args.size()) {
                line.problem = arg + " の後に形式がありません";
                return line;
            }
            (arg == "--to" ? line.to : line.from) = args[++i];
        } else if (arg.starts_with("--to=")) {
            line.to = arg.substr(5);
        } else if (arg.starts_with("--from=")) {
            line.from = arg.substr(7);
        } else if (arg.size() > 1 && arg[0] == '-' && !std::isdigit(static_cast<unsigned char>(arg[1]))) {
            // "-1" is left to the command, which says what its number must be.
            line.problem = "知らないオプションです: " + arg;
            return line;
        } else if (line.command.empty()) {
            line.command = arg;
        } else {
            line.files.push_back(arg);
        }
    }
    return line;
}

// Reads the input named on the command line: a regular file only, as the window opens one, or
// standard input for "-".
FileBytes readInput(const std::string &name, const StandardInput &in) {
    if (name != "-") return readRegularFile(name);
    FileBytes read = in(MAX_READ_BYTES);
    if (!read.ok && read.error != 0)
        read.reason = "標準入力を読めません (" + systemErrorText(read.error) + ")";
    return read;
}

// Whether the file `output` names (through links) is the one the input was read from.
bool isTheInput(const std::string &output, const FileBytes &input) {
    struct stat status {};
    return input.inode != 0 && ::stat(output.c_str(), &status) == 0 && status.st_dev == input.device &&
           status.st_ino == input.inode;
}

bool writeOutput(const std::string &name, std::string_view bytes, std::ostream &out, std::string &reason) {
    // What is written must open again, here and in the window.
    if (bytes.size() > MAX_READ_BYTES) {
        reason = recordTooLong();
        return false;
    }
    if (name != "-") {
        const SaveResult saved = saveFileSafely(name, bytes);
        reason = saved.reason;
        return saved.ok;
    }
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.flush();
    if (!out) reason = "標準出力に書き込めません";
    return static_cast<bool>(out);
}

int fail(std::ostream &err, std::string_view what, std::string_view reason) {
    err << "nagikifu: " << what << ": " << reason << '\n';
    return FAILED;
}

int fail(std::ostream &err, std::string_view reason) {
    err << "nagikifu: " << reason << '\n';
    return FAILED;
}

int usageError(std::ostream &err, std::string_view problem) {
    err << "nagikifu: " << problem << '\n' << USAGE;
    return USAGE_ERROR;
}

// Reads the record named `name` into the game; 0 or the exit status of the failure.
int readRecord(const std::string &name, const std::string &from, const StandardInput &in, ZnBan &game,
               RecordNotes &notes, FileBytes &input, std::ostream &err) {
    RecordFormat format = RecordFormat::Unknown;
    if (!from.empty()) {
        format = targetOf(from).format;
        if (format == RecordFormat::Unknown) return usageError(err, "知らない形式です: " + from);
    }
    const std::string shownName = name == "-" ? "標準入力" : name;
    input = readInput(name, in);
    if (!input.ok) {
        if (name == "-" && input.error != 0) return fail(err, input.reason);
        return fail(err, shownName, input.reason);
    }
    const RecordResult result = readRecordBytes(game, notes, input.bytes, name == "-" ? "" : name, format);
    if (!result.ok) return fail(err, shownName, result.reason);
    return 0;
}

int convert(const CommandLine &line, const StandardInput &in, std::ostream &out, std::ostream &err) {
    if (line.files.size() != 2) return usageError(err, "convert には入力と出力の二つが要ります");
    const std::string &input = line.files[0], &output = line.files[1];
    Target target = line.to.empty() ? (output == "-" ? Target{} : targetOfFile(output)) : targetOf(line.to);
    if (target.format == RecordFormat::Unknown) {
        if (!line.to.empty()) return usageError(err, "知らない形式です: " + line.to);
        return usageError(err, "出力の形式がわかりません（拡張子か --to で指定してください）: " + output);
    }
    ZnBan game;
    RecordNotes notes;
    FileBytes read;
    if (const int status = readRecord(input, line.from, in, game, notes, read, err); status != 0)
        return status;
    // The safe write would replace the input by its own conversion.
    if (output != "-" && isTheInput(output, read))
        return fail(err, output, "入力と同じファイルです。別の出力を指定してください");
    std::string bytes;
    const RecordResult written = writeRecordBytes(game, notes, target.format, bytes, target.shiftJis);
    const std::string shownName = output == "-" ? "標準出力" : output;
    if (!written.ok) return fail(err, shownName, written.reason);
    std::string reason;
    if (!writeOutput(output, bytes, out, reason)) return fail(err, shownName, reason);
    if (const int branches = branchesLeftOut(notes, target.format); branches > 0)
        err << "nagikifu: " << shownName << ": 変化" << branches << "個は保存していません\n";
    if (const std::vector<std::string> items = notesLeftOut(notes, target.format); !items.empty()) {
        err << "nagikifu: " << shownName << ": この形式に入らない";
        for (std::size_t i = 0; i < items.size(); ++i) err << (i > 0 ? "・" : "") << items[i];
        err << "は保存していません\n";
    }
    return 0;
}

// Why no game can reach the position the game shows or the one its line starts from, with "ので"
// and `refused` after the reason; empty when one can. Show, perft and analyse refuse alike.
std::string reachRefusal(const ZnBan &game, std::string_view refused) {
    ZnBan start;
    lineStart(game, start);
    for (const ZnBan *position : {static_cast<const ZnBan *>(&start), &game})
        if (std::string unreachable = reachProblem(*position); !unreachable.empty())
            return unreachable + "ので" + std::string(refused);
    return {};
}

// The first move of the line the game shows that the rules refuse, played again from its start,
// with its ply and the reason: "3手目の▲１二歩打（P*1b）は反則（打ち歩詰めです）"; empty when
// there is none.
std::string foulText(const ZnBan &game) {
    const LineFoul foul = firstFoul(game);
    if (foul.ply < 0) return {};
    ZnBan before;
    lineStart(game, before);
    for (int ply = 0; ply < foul.ply; ++ply)
        before.play(moveOf(game.history()[static_cast<std::size_t>(ply)]));
    const Square previousTo =
        foul.ply > 0 ? game.history()[static_cast<std::size_t>(foul.ply - 1)].to : IN_HAND;
    return std::to_string(foul.ply + 1) + "手目の" +
           moveNotation(before, recordOf(before, foul.move), previousTo) + "（" + usiMoveWord(foul.move) +
           "）は反則（" + refusalText(foul.refusal) + "）";
}

int show(const CommandLine &line, const StandardInput &in, std::ostream &out, std::ostream &err) {
    if (line.files.size() != 1) return usageError(err, "show には入力が一つ要ります");
    if (!line.to.empty()) return usageError(err, "show に --to は使えません");
    ZnBan game;
    RecordNotes notes;
    FileBytes read;
    if (const int status = readRecord(line.files[0], line.from, in, game, notes, read, err); status != 0)
        return status;
    if (const std::string unreachable = reachRefusal(game, "判定できません"); !unreachable.empty())
        return fail(err, line.files[0] == "-" ? "標準入力" : line.files[0], unreachable);
    std::string text = boardDiagram(game);
    text += "\n先手の利き（各マスに利いている先手の駒の数）\n";
    text += attackTable(game, SENTE);
    text += "\n後手の利き（各マスに利いている後手の駒の数）\n";
    text += attackTable(game, GOTE);
    bool handicap = false;
    walkRecord(
        game, [&handicap](const ZnBan &start) { handicap = kifu::startsFromHandicap(start); },
        [](const ZnBan &, std::size_t) {});
    const std::string foul = foulText(game);
    text += foul.empty() ? rulesLine(game, handicap) : "局面: " + foul + "なので、それより後は判定しません\n";
    std::string reason;
    if (!writeOutput("-", text, out, reason)) return fail(err, "標準出力", reason);
    return 0;
}

// Beyond this the count would run for days.
constexpr int MAX_PERFT_DEPTH = 8;

int perft(const CommandLine &line, std::ostream &out, std::ostream &err) {
    if (line.files.empty()) return usageError(err, "perft には深さが要ります");
    const std::string &depthWord = line.files[0];
    if (depthWord.empty() || depthWord.size() > 2 ||
        !std::all_of(depthWord.begin(), depthWord.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return usageError(err,
                          "深さは0から" + std::to_string(MAX_PERFT_DEPTH) + "までの数です: " + depthWord);
    const int depth = std::stoi(depthWord);
    if (depth > MAX_PERFT_DEPTH)
        return usageError(err, "深さは" + std::to_string(MAX_PERFT_DEPTH) + "までです: " + depthWord);
    std::string position;
    for (std::size_t i = 1; i < line.files.size(); ++i) position += (i > 1 ? " " : "") + line.files[i];
    if (position.empty()) position = "startpos";
    ZnBan game;
    RecordNotes notes;
    if (const RecordResult read = readSfen(game, notes, position); !read.ok)
        return fail(err, "局面", read.reason);
    if (const std::string unreachable = reachRefusal(game, "数えられません"); !unreachable.empty())
        return fail(err, "局面", unreachable);
    if (const std::string foul = foulText(game); !foul.empty())
        return fail(err, "局面", foul + "なので数えられません");
    if (const std::string problem = rulesProblem(game); !problem.empty())
        return fail(err, "局面", "ルールで判定できません（" + problem + "）");
    std::uint64_t total = 0;
    if (line.divide && depth > 0) {
        std::vector<Move> moves;
        legalMoves(game, moves);
        for (const Move &move : moves) {
            if (!applyMove(game, move)) continue;
            const std::uint64_t count = legalPerft(game, depth - 1);
            game.undoMove();
            out << usiMoveWord(move) << ": " << count << '\n';
            total += count;
        }
    } else {
        total = legalPerft(game, depth);
    }
    out << total << '\n';
    return out ? 0 : FAILED;
}

}  // namespace

bool readCount(const std::string &text, int low, int high, int &value) {
    int read = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), read);
    if (error != std::errc() || end != text.data() + text.size() || read < low || read > high) return false;
    value = read;
    return true;
}

const std::string *optionValue(const std::vector<std::string> &args, std::size_t &at, std::string &problem) {
    const std::string &arg = args[at];
    if (arg.size() < 2 || arg[0] != '-') {
        problem = "余分な引数です: " + arg;
        return nullptr;
    }
    if (at + 1 == args.size()) {
        problem = arg + " の後に値がありません";
        return nullptr;
    }
    return &args[++at];
}

Target targetOfFile(std::string_view fileName) {
    const std::size_t dot = fileName.rfind('.');
    const std::size_t slash = fileName.rfind('/');
    if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash)) return {};
    return targetOf(fileName.substr(dot + 1));
}

int runNagikifu(const std::vector<std::string> &args, std::istream &in, std::ostream &out,
                std::ostream &err) {
    const StandardInput fromStream = [&in](std::size_t limit) {
        FileBytes read;
        std::ostringstream whole;
        whole << in.rdbuf();
        if (in.bad()) {
            read.reason = "標準入力を読めません";
            return read;
        }
        read.bytes = std::move(whole).str();
        read.ok = read.bytes.size() <= limit;
        if (!read.ok) read.reason = "大きすぎます";
        return read;
    };
    return runNagikifu(args, fromStream, out, err);
}

int runNagikifu(const std::vector<std::string> &args, const StandardInput &in, std::ostream &out,
                std::ostream &err) {
    // Its options are its own, and it reads no standard input.
    if (!args.empty() && args[0] == "analyse")
        return runAnalyse(std::vector<std::string>(args.begin() + 1, args.end()), err, false);
    if (!args.empty() && args[0] == "match")
        return runMatch(std::vector<std::string>(args.begin() + 1, args.end()), out, err, false);
    if (!args.empty() && args[0] == "mate") return runMate(std::vector<std::string>(args.begin() + 1, args.end()), out, err);
    if (!args.empty() && args[0] == "book") return runBook(std::vector<std::string>(args.begin() + 1, args.end()), out, err);
    if (!args.empty() && args[0] == "csa")
        return runCsa(std::vector<std::string>(args.begin() + 1, args.end()), out, err);
    const CommandLine line = parse(args);
    if (!line.problem.empty()) return usageError(err, line.problem);
    if (line.help) {
        out << USAGE << MATE_USAGE << BOOK_USAGE << ANALYSE_USAGE << MATCH_USAGE << CSA_USAGE;
        return out ? 0 : FAILED;
    }
    if (line.command == "convert") return convert(line, in, out, err);
    if (line.command == "show") return show(line, in, out, err);
    if (line.command == "perft") return perft(line, out, err);
    if (line.command.empty()) return usageError(err, "コマンドがありません");
    return usageError(err, "知らないコマンドです: " + line.command);
}

namespace {

// Whether standard stream `fd` is open. A closed one gets /dev/null, so that no file the program
// opens later takes its number and receives what was meant for the stream.
bool claimStandardStream(int fd) {
    if (::fcntl(fd, F_GETFD) != -1) return true;
    // The lowest free number, which is `fd` once the lower streams are claimed.
    const int reserved = ::open("/dev/null", (fd == 0 ? O_RDONLY : O_WRONLY) | O_CLOEXEC);
    if (reserved >= 0 && reserved != fd) ::close(reserved);
    return false;
}

// A standard stream written as it comes, a line at a time; nothing when the stream is closed.
class StderrBuffer : public std::streambuf {
public:
    explicit StderrBuffer(bool open, int fd = STDERR_FILENO) : open_(open), fd_(fd) {}
    ~StderrBuffer() override { sync(); }

protected:
    int overflow(int c) override {
        if (c == traits_type::eof()) return sync() == 0 ? 0 : traits_type::eof();
        pending_ += static_cast<char>(c);
        if (c == '\n' || c == '\r') sync();
        return c;
    }
    int sync() override {
        if (open_ && !pending_.empty()) writeWhole(fd_, pending_);
        pending_.clear();
        return 0;
    }

private:
    bool open_;
    int fd_;
    std::string pending_;
};

}  // namespace

int runNagikifuProcess(int argc, char **argv) {
    // A file-size limit then fails the write with its reason, and the temporary file goes, instead
    // of the signal ending the program.
    std::signal(SIGXFSZ, SIG_IGN);
    bool open[3] = {};
    for (int fd = 0; fd < 3; ++fd) open[fd] = claimStandardStream(fd);
    // An analysis runs for minutes: its progress goes out as it comes, straight to the terminal.
    if (argc > 1 && std::string_view(argv[1]) == "analyse") {
        StderrBuffer buffer(open[2]);
        std::ostream err(&buffer);
        return runAnalyse(std::vector<std::string>(argv + 2, argv + argc), err,
                          open[2] && ::isatty(STDERR_FILENO));
    }
    // A match or a series on a server runs for hours: each game's line goes out as the game ends.
    if (argc > 1 && std::string_view(argv[1]) == "csa") {
        StderrBuffer errBuffer(open[2]);
        StderrBuffer outBuffer(open[1], STDOUT_FILENO);
        std::ostream err(&errBuffer), out(&outBuffer);
        return runCsa(std::vector<std::string>(argv + 2, argv + argc), out, err);
    }
    if (argc > 1 && std::string_view(argv[1]) == "match") {
        StderrBuffer errBuffer(open[2]);
        StderrBuffer outBuffer(open[1], STDOUT_FILENO);
        std::ostream err(&errBuffer), out(&outBuffer);
        return runMatch(std::vector<std::string>(argv + 2, argv + argc), out, err, open[2] && ::isatty(STDERR_FILENO));
    }
    const StandardInput standardInput = [inputOpen = open[0]](std::size_t limit) {
        if (inputOpen) return readDescriptor(STDIN_FILENO, limit);
        FileBytes closed;
        closed.error = EBADF;
        return closed;
    };
    // Everything is made before any of it is written, so a failed write is known and reported.
    std::ostringstream out, err;
    int status = runNagikifu(std::vector<std::string>(argv + 1, argv + argc), standardInput, out, err);
    if (const std::string text = std::move(out).str(); !text.empty()) {
        if (const int error = open[1] ? writeWhole(STDOUT_FILENO, text) : EBADF; error != 0) {
            err << "nagikifu: 標準出力に書き込めません (" << systemErrorText(error) << ")\n";
            status = FAILED;
        }
    }
    if (open[2]) writeWhole(STDERR_FILENO, std::move(err).str());
    return status;
}
