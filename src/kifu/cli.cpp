// The converter reads its whole input before it writes anything, and writes a file by way of a
// temporary file beside it that is renamed over the target only once every byte is on the disk:
// a failure at any step leaves no partial output behind.

#include "kifu/cli.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string_view>

#include "kifu/showboard.h"
#include "record/formats.h"

namespace {

constexpr std::string_view USAGE =
    "使い方:\n"
    "  nagikifu convert [--from 形式] [--to 形式] 入力 出力\n"
    "      棋譜を別の形式に変換します。形式は拡張子から決まり、--to / --from で指定もできます。\n"
    "  nagikifu show [--from 形式] 入力\n"
    "      最後の局面の盤面図と、各マスに利いている先手・後手の駒の数を表示します。\n"
    "  入力・出力に「-」を書くと標準入力・標準出力を使います。\n"
    "  形式: ngr kif kifu ki2 ki2u csa sfen usi jkf（kif と ki2 は Shift_JIS、kifu と ki2u は UTF-8）\n"
    "  .sfen には最後の局面の SFEN を、.usi には「position ... moves ...」の1行を書きます。\n";

// Exit statuses: the work failed, or the command line was wrong.
constexpr int FAILED = 1;
constexpr int USAGE_ERROR = 2;

struct Target {
    RecordFormat format = RecordFormat::Unknown;
    bool shiftJis = false;
};

bool sameLetters(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

// The format of a name such as "kif" or of a file name such as "game.kif"; ".kif" and ".ki2" are
// Shift-JIS, the other KIF and KI2 names UTF-8.
Target targetOf(std::string_view extension) {
    Target target;
    target.format = formatOfFileName("x." + std::string(extension));
    target.shiftJis = sameLetters(extension, "kif") || sameLetters(extension, "ki2");
    return target;
}

Target targetOfFile(std::string_view fileName) {
    const std::size_t dot = fileName.rfind('.');
    const std::size_t slash = fileName.rfind('/');
    if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash)) return {};
    return targetOf(fileName.substr(dot + 1));
}

struct CommandLine {
    std::string command;
    std::vector<std::string> files;
    std::string from, to;
    bool help = false;
    std::string problem;
};

CommandLine parse(const std::vector<std::string> &args) {
    CommandLine line;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string &arg = args[i];
        if (arg == "-h" || arg == "--help" || arg == "help") {
            line.help = true;
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
        } else if (arg.size() > 1 && arg[0] == '-') {
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

std::string systemReason(int error) { return std::strerror(error); }

bool readInput(const std::string &name, std::istream &in, std::string &bytes, std::string &reason) {
    std::ostringstream whole;
    if (name == "-") {
        whole << in.rdbuf();
        if (in.bad()) {
            reason = "標準入力を読めませんでした";
            return false;
        }
        bytes = std::move(whole).str();
        return true;
    }
    std::error_code error;
    if (std::filesystem::is_directory(name, error)) {
        reason = "フォルダーです。棋譜ファイルを指定してください";
        return false;
    }
    std::ifstream file(name, std::ios::binary);
    if (!file) {
        reason = "開けません（" + systemReason(errno) + "）";
        return false;
    }
    whole << file.rdbuf();
    if (file.bad()) {
        reason = "読めませんでした";
        return false;
    }
    bytes = std::move(whole).str();
    return true;
}

bool writeAll(int descriptor, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(descriptor, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// The permissions a new file gets, or those of the file being replaced.
mode_t permissionsFor(const std::string &name) {
    struct stat existing {};
    if (::stat(name.c_str(), &existing) == 0) return existing.st_mode & 07777;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

bool writeFile(const std::string &name, std::string_view bytes, std::string &reason) {
    std::string temporary = name + ".nagikifu-XXXXXX";
    const int descriptor = ::mkstemp(temporary.data());
    if (descriptor < 0) {
        reason = "書き込み用の一時ファイルを作れません（" + systemReason(errno) + "）";
        return false;
    }
    bool ok = writeAll(descriptor, bytes) && ::fchmod(descriptor, permissionsFor(name)) == 0 &&
              ::fsync(descriptor) == 0;
    int error = errno;
    if (::close(descriptor) != 0 && ok) {
        ok = false;
        error = errno;
    }
    if (ok && ::rename(temporary.c_str(), name.c_str()) != 0) {
        ok = false;
        error = errno;
    }
    if (!ok) {
        ::unlink(temporary.c_str());
        reason = "書き込めませんでした（" + systemReason(error) + "）";
    }
    return ok;
}

bool writeOutput(const std::string &name, std::string_view bytes, std::ostream &out, std::string &reason) {
    if (name != "-") return writeFile(name, bytes, reason);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.flush();
    if (!out) reason = "標準出力に書き込めませんでした";
    return static_cast<bool>(out);
}

int fail(std::ostream &err, std::string_view what, std::string_view reason) {
    err << "nagikifu: " << what << ": " << reason << '\n';
    return FAILED;
}

int usageError(std::ostream &err, std::string_view problem) {
    err << "nagikifu: " << problem << '\n' << USAGE;
    return USAGE_ERROR;
}

// Reads the record named `name` into the game; 0 or the exit status of the failure.
int readRecord(const std::string &name, const std::string &from, std::istream &in, ZnBan &game,
               RecordNotes &notes, std::ostream &err) {
    RecordFormat format = RecordFormat::Unknown;
    if (!from.empty()) {
        format = targetOf(from).format;
        if (format == RecordFormat::Unknown) return usageError(err, "知らない形式です: " + from);
    }
    const std::string shownName = name == "-" ? "標準入力" : name;
    std::string bytes, reason;
    if (!readInput(name, in, bytes, reason)) return fail(err, shownName, reason);
    const RecordResult result = readRecordBytes(game, notes, bytes, name == "-" ? "" : name, format);
    if (!result.ok) return fail(err, shownName, result.reason);
    return 0;
}

int convert(const CommandLine &line, std::istream &in, std::ostream &out, std::ostream &err) {
    if (line.files.size() != 2) return usageError(err, "convert には入力と出力の二つが要ります");
    const std::string &input = line.files[0], &output = line.files[1];
    Target target = line.to.empty() ? (output == "-" ? Target{} : targetOfFile(output)) : targetOf(line.to);
    if (target.format == RecordFormat::Unknown) {
        if (!line.to.empty()) return usageError(err, "知らない形式です: " + line.to);
        return usageError(err, "出力の形式がわかりません（拡張子か --to で指定してください）: " + output);
    }
    ZnBan game;
    RecordNotes notes;
    if (const int status = readRecord(input, line.from, in, game, notes, err); status != 0) return status;
    std::string bytes;
    const RecordResult written = writeRecordBytes(game, notes, target.format, bytes, target.shiftJis);
    const std::string shownName = output == "-" ? "標準出力" : output;
    if (!written.ok) return fail(err, shownName, written.reason);
    std::string reason;
    if (!writeOutput(output, bytes, out, reason)) return fail(err, shownName, reason);
    if (const int branches = branchesLeftOut(notes, target.format); branches > 0)
        err << "nagikifu: " << shownName << ": 変化" << branches << "個は保存していません\n";
    return 0;
}

int show(const CommandLine &line, std::istream &in, std::ostream &out, std::ostream &err) {
    if (line.files.size() != 1) return usageError(err, "show には入力が一つ要ります");
    if (!line.to.empty()) return usageError(err, "show に --to は使えません");
    ZnBan game;
    RecordNotes notes;
    if (const int status = readRecord(line.files[0], line.from, in, game, notes, err); status != 0)
        return status;
    std::string text = boardDiagram(game);
    text += "\n先手の利き（各マスに利いている先手の駒の数）\n";
    text += attackTable(game, SENTE);
    text += "\n後手の利き（各マスに利いている後手の駒の数）\n";
    text += attackTable(game, GOTE);
    std::string reason;
    if (!writeOutput("-", text, out, reason)) return fail(err, "標準出力", reason);
    return 0;
}

}  // namespace

int runNagikifu(const std::vector<std::string> &args, std::istream &in, std::ostream &out,
                std::ostream &err) {
    const CommandLine line = parse(args);
    if (!line.problem.empty()) return usageError(err, line.problem);
    if (line.help) {
        out << USAGE;
        return out ? 0 : FAILED;
    }
    if (line.command == "convert") return convert(line, in, out, err);
    if (line.command == "show") return show(line, in, out, err);
    if (line.command.empty()) return usageError(err, "コマンドがありません");
    return usageError(err, "知らないコマンドです: " + line.command);
}
