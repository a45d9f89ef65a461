#include "kifu/bookcommand.h"

#include <ostream>

#include "book/book.h"
#include "book/bookbuild.h"
#include "book/bookrows.h"
#include "core/rules.h"
#include "kifu/cli.h"
#include "record/notes.h"
#include "record/sfen.h"

const char *const BOOK_USAGE =
    "  nagikifu book build --out 定跡.db [--plies N] [--min-count K] [--player 名前] [--main-line] 棋譜…\n"
    "      棋譜（ファイルかフォルダ、読めるすべての形式）から定跡を作ります。最初の N 手（既定 40）、\n"
    "      K 回以上現れた局面（既定 1）、名前を含む対局者の指し手だけ、本譜だけ、を選べます。\n"
    "  nagikifu book show 定跡.db [局面]\n"
    "      局面（perft と同じ書き方、既定 startpos）の定跡手を、割合・回数・評価値・深さ・コメントと表示します。\n";

namespace {

constexpr int FAILED = 1;
constexpr int USAGE_ERROR = 2;

int usage(std::ostream &err, const std::string &problem) {
    err << "nagikifu book: " << problem << "\n" << BOOK_USAGE;
    return USAGE_ERROR;
}

int build(const std::vector<std::string> &args, std::ostream &out, std::ostream &err) {
    BookBuildOptions options;
    std::string output;
    std::vector<std::string> inputs;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string &arg = args[i];
        const bool valued = arg == "--out" || arg == "--plies" || arg == "--min-count" || arg == "--player";
        if (valued && i + 1 == args.size()) return usage(err, arg + " の後に値がありません");
        int number = 0;
        if (arg == "--out") {
            output = args[++i];
        } else if (arg == "--plies") {
            if (!readCount(args[++i], 1, 1000, number)) return usage(err, "手数は1から1000までの数です: " + args[i]);
            options.plies = number;
        } else if (arg == "--min-count") {
            if (!readCount(args[++i], 1, 1000000000, number)) return usage(err, "回数は1以上の数です: " + args[i]);
            options.minCount = static_cast<std::uint64_t>(number);
        } else if (arg == "--player") {
            options.player = args[++i];
            if (options.player.empty()) return usage(err, "対局者の名前が空です");
        } else if (arg == "--main-line") {
            options.branches = false;
        } else if (arg.size() > 1 && arg[0] == '-') {
            return usage(err, "知らないオプションです: " + arg);
        } else {
            inputs.push_back(arg);
        }
    }
    if (output.empty()) return usage(err, "--out で定跡ファイルを指定してください");
    if (inputs.empty()) return usage(err, "棋譜がありません");
    BookBuilder builder(options);
    for (const std::string &input : inputs) builder.addPath(input);
    for (const std::string &problem : builder.problems()) err << "nagikifu book: " << problem << '\n';
    if (builder.records() == 0) {
        err << "nagikifu book: 使える棋譜がありません\n";
        return FAILED;
    }
    Book book;
    builder.addTo(book);
    if (const SaveResult saved = book.save(output); !saved.ok) {
        err << "nagikifu book: " << output << ": " << saved.reason << '\n';
        return FAILED;
    }
    out << "棋譜" << builder.records() << "局から" << book.size() << "局面の定跡を書きました";
    if (builder.recordsWithoutPlayer() > 0) out << "（対局者のいない棋譜" << builder.recordsWithoutPlayer() << "局は除きました）";
    out << '\n';
    return out ? 0 : FAILED;
}

int show(const std::vector<std::string> &args, std::ostream &out, std::ostream &err) {
    if (args.empty()) return usage(err, "定跡ファイルがありません");
    std::string position;
    for (std::size_t i = 1; i < args.size(); ++i) position += (i > 1 ? " " : "") + args[i];
    if (position.empty()) position = "startpos";
    ZnBan game;
    RecordNotes notes;
    if (const RecordResult read = readSfen(game, notes, position); !read.ok) {
        err << "nagikifu book: 局面: " << read.reason << '\n';
        return FAILED;
    }
    BookOpenOptions options;
    // One position is looked at: its moves are checked then, not the whole book's.
    options.read.checkMoves = false;
    const BookReadResult opened = openBook(args[0], options);
    if (!opened.ok) {
        err << "nagikifu book: " << args[0] << ": " << opened.reason << '\n';
        return FAILED;
    }
    for (const std::string &problem : opened.problems) err << "nagikifu book: " << args[0] << ": " << problem << '\n';
    const BookMoves found = movesFor(opened.book, game);
    for (const std::string &problem : found.dropped) err << "nagikifu book: " << args[0] << ": " << problem << '\n';
    if (!found.entry || found.entry->moves.empty()) {
        out << "この局面は定跡にありません\n";
        return out ? 0 : FAILED;
    }
    if (!found.entry->comment.empty()) out << "# " << found.entry->comment << '\n';
    out << "指し手\t割合\t回数\t評価値\t深さ\tコメント\n";
    for (const BookRow &row : bookRows(game, found.entry->moves))
        out << row.move << '\t' << row.share << '\t' << row.count << '\t' << row.value << '\t' << row.depth << '\t'
            << row.comment << '\n';
    return out ? 0 : FAILED;
}

}  // namespace

int runBook(const std::vector<std::string> &args, std::ostream &out, std::ostream &err) {
    if (args.empty()) return usage(err, "build か show を指定してください");
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    if (args[0] == "build") return build(rest, out, err);
    if (args[0] == "show") return show(rest, out, err);
    return usage(err, "知らないコマンドです: " + args[0]);
}
