#include "kifu/match.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <ostream>

#include "book/bookplay.h"
#include "engine/profile.h"
#include "engine/series.h"
#include "enginehost/serieshost.h"
#include "kifu/analyse.h"
#include "kifu/cli.h"
#include "record/formats.h"
#include "record/position.h"
#include "record/sfen.h"
#include "review/gameanalysis.h"
#include "support/readfile.h"
#include "support/savefile.h"

const char *const MATCH_USAGE =
    "  nagikifu match --engine A --engine B [--games 数] [--time 秒] [--byoyomi 秒 | --increment 秒]\n"
    "                 [--start startpos|手合割|棋譜 | --openings ファイル|フォルダ [--opening-plies 手数]\n"
    "                  [--openings-order sequential|random] [--seed 数]] [--max-moves 手数]\n"
    "                 [--option-a 名前=値] [--option-b 名前=値] [--margin 秒] [--start-timeout 秒]\n"
    "                 [--concurrency 数] [--sprt elo0=E0,elo1=E1,alpha=A,beta=B] [--out フォルダ] [--json ファイル]\n"
    "                 [--book 定跡ファイル [--book-plies 手数]]\n"
    "      二つのエンジンを先後を入れ替えて対局させ（既定 2 局、持ち時間 0 秒・秒読み 1 秒、\n"
    "      最大手数 500、同時に 1 局）、各局を フォルダ/001.kif … に保存し、勝ち・負け・引き分け・\n"
    "      得点と Elo 差（95 % 区間）、LOS、引き分け率の表を出します。時間は 0.3 のように小数で\n"
    "      ミリ秒まで。--start の棋譜はその最後の局面から始めます。--openings は一行に一つの\n"
    "      SFEN か USI の position 行、または棋譜かそのフォルダ（各局の初めの --opening-plies 手、\n"
    "      既定 16）で、各開始局面を先後を替えて二局ずつ指します。--sprt は A が B より E1 強いか\n"
    "      E0 かを逐次検定し、境界を越えたところで止めます。--json は全局と集計を JSON で書きます。\n"
    "      --option-a / --option-b は A / B に送る USI オプション（繰り返し可）、--margin は指し手が\n"
    "      時間を過ぎても負けにしない猶予（既定はエンジンごと、多くは 1 秒）、--start-timeout は\n"
    "      usi と isready の返事を待つ長さ（忙しい機械で起動の遅いエンジンに）です。--book は\n"
    "      やねうら王形式の定跡で、各局の開始局面（--openings の手の後）から --book-plies 手（既定\n"
    "      16）までを、両対局者とも定跡の回数に比例して --seed で選んで指します（棋譜にコメント\n"
    "      「定跡」、消費時間 0）。定跡にない局面からは最後までエンジンが考えます。先後を替える\n"
    "      二局は同じ定跡手順を指します。\n";

namespace {

constexpr int FAILED = 1;
constexpr int USAGE_ERROR = 2;

struct MatchLine {
    std::array<std::string, 2> engines;
    // USI options for A and B, sent after their profiles' own.
    std::array<std::vector<std::pair<std::string, std::string>>, 2> options;
    int games = 2;
    bool gamesGiven = false;
    TimeControl time{0, 1000, 0};
    std::string start;
    std::string openings;
    int openingPlies = 16;
    bool randomOrder = false;
    std::uint64_t seed = 0;
    int maxMoves = 500;
    // How far past its time an engine's move may come; empty for its profile's own.
    std::optional<std::int64_t> marginMs;
    // How long an engine may take to answer usi and isready; empty for its profile's own.
    std::optional<std::int64_t> startTimeoutMs;
    int concurrency = 1;
    std::optional<SprtSettings> sprt;
    std::string out;
    std::string json;
    std::string book;
    int bookPlies = 16;
    bool bookPliesGiven = false;
    std::string problem;
};

MatchLine parseMatch(const std::vector<std::string> &args) {
    MatchLine line;
    int engines = 0;
    bool byoyomi = false, increment = false;
    for (std::size_t i = 0; i < args.size() && line.problem.empty(); ++i) {
        const std::string &arg = args[i];
        const std::string *given = optionValue(args, i, line.problem);
        if (given == nullptr) break;
        const std::string &value = *given;
        std::int64_t ms = 0;
        int count = 0;
        bool ok = true;
        if (arg == "--engine") {
            if (engines == 2)
                line.problem = "--engine は二つまでです";
            else
                line.engines[engines++] = value;
        } else if (arg == "--option-a" || arg == "--option-b") {
            const std::size_t equals = value.find('=');
            ok = equals != std::string::npos && equals > 0;
            if (ok) line.options[arg == "--option-b"].emplace_back(value.substr(0, equals), value.substr(equals + 1));
        } else if (arg == "--games") {
            ok = readCount(value, 1, 100000, line.games);
            line.gamesGiven = true;
        } else if (arg == "--time" || arg == "--byoyomi" || arg == "--increment") {
            ok = readSecondsAsMs(value, ms);
            if (arg == "--time") line.time.mainMs = ms;
            if (arg == "--byoyomi") line.time.byoyomiMs = ms, byoyomi = true;
            if (arg == "--increment") line.time.incrementMs = ms, increment = true;
        } else if (arg == "--margin") {
            ok = readSecondsAsMs(value, ms) && ms <= 60000;
            line.marginMs = ms;
        } else if (arg == "--start-timeout") {
            ok = readSecondsAsMs(value, ms) && ms >= 1000 && ms <= 600000;
            line.startTimeoutMs = ms;
        } else if (arg == "--start") {
            line.start = value;
        } else if (arg == "--openings") {
            line.openings = value;
        } else if (arg == "--opening-plies") {
            ok = readCount(value, 0, 1000, line.openingPlies);
        } else if (arg == "--openings-order") {
            ok = value == "sequential" || value == "random";
            line.randomOrder = value == "random";
        } else if (arg == "--seed") {
            ok = readCount(value, 0, 2147483647, count);
            line.seed = static_cast<std::uint64_t>(count);
        } else if (arg == "--max-moves") {
            ok = readCount(value, 0, 100000, line.maxMoves);
        } else if (arg == "--concurrency") {
            ok = readCount(value, 1, 64, line.concurrency);
        } else if (arg == "--sprt") {
            SprtSettings sprt;
            if (std::string problem = readSprt(value, sprt); !problem.empty())
                line.problem = problem;
            else
                line.sprt = sprt;
        } else if (arg == "--out") {
            line.out = value;
        } else if (arg == "--json") {
            line.json = value;
        } else if (arg == "--book") {
            line.book = value;
        } else if (arg == "--book-plies") {
            ok = readCount(value, 0, 1000, line.bookPlies);
            line.bookPliesGiven = true;
        } else {
            line.problem = "知らないオプションです: " + arg;
        }
        if (!ok) line.problem = arg + " の値が正しくありません: " + value;
    }
    if (!line.problem.empty()) return line;
    if (byoyomi && increment)
        line.problem = "--byoyomi と --increment は一緒に使えません";
    else if (engines != 2)
        line.problem = "match には --engine で二つのエンジンを指定してください";
    else if (!line.start.empty() && !line.openings.empty())
        line.problem = "--start と --openings は一緒に使えません";
    else if (line.bookPliesGiven && line.book.empty())
        line.problem = "--book-plies には --book が要ります";
    if (increment && !byoyomi) line.time.byoyomiMs = 0;
    // A sequential test runs until it decides; --games is then only its limit.
    if (line.sprt && !line.gamesGiven) line.games = 100000;
    if (line.problem.empty())
        if (const std::string problem = timeControlProblem(line.time); !problem.empty())
            line.problem = problem;
    return line;
}

// The start of every game: the standard one, a handicap, or the last position of a record.
bool readStart(const std::string &start, Opening &opening, std::string &reason) {
    PositionSpec position;
    if (start.empty() || start == "startpos" || start == "平手") {
        opening = {"startpos", "position startpos"};
        return true;
    }
    if (!handicapStart(start, position)) {
        const FileBytes file = readRegularFile(start);
        if (!file.ok) {
            reason = start + ": " + file.reason;
            return false;
        }
        ZnBan game;
        RecordNotes notes;
        if (const RecordResult read = readRecordBytes(game, notes, file.bytes, start); !read.ok) {
            reason = start + ": " + read.reason;
            return false;
        }
        position = positionOf(game);
    }
    ZnBan game;
    if (std::string problem = buildGame(game, position); !problem.empty()) {
        reason = start + ": " + problem;
        return false;
    }
    opening.source = start;
    if (std::string problem = openingOfLine("sfen " + positionSfen(game), opening); !problem.empty()) {
        reason = start + ": " + problem;
        return false;
    }
    return true;
}

class MatchPrinter {
public:
    MatchPrinter(const MatchLine &line, Series &series, std::ostream &out, std::ostream &err, bool terminal)
        : line_(line), series_(series), out_(out), err_(err), terminal_(terminal) {}

    void gameFinished(const SeriesEntry &entry) {
        const GameResult &result = entry.result;
        const Side sideOfA = entry.index % 2 == 0 ? SENTE : GOTE;
        engineNames_[0] = entry.names[sideOfA];
        engineNames_[1] = entry.names[otherSide(sideOfA)];
        clearBar();
        out_ << entry.index + 1 << '/' << line_.games << ' ';
        if (result.end == GameEnd::Stopped)
            out_ << "中断 ";
        else if (result.winner)
            out_ << (*result.winner == SENTE ? "▲" : "△") << entry.names[*result.winner] << " 勝ち ";
        else
            out_ << "引き分け ";
        out_ << endReasonText(result) << ' ' << result.moves << "手";
        if (series_.paired()) out_ << " [" << series_.opening(entry.opening).source << ']';
        out_ << std::endl;
        if (line_.sprt && result.end != GameEnd::Stopped && judged()) {
            out_ << sprtLine(series_.llr(), *line_.sprt);
            if (series_.verdict() != SprtVerdict::Continue) out_ << "  " << sprtVerdictText(series_.verdict());
            out_ << std::endl;
        }
        if (terminal_) err_ << progressBar(series_.played(), line_.games) << std::flush;
    }

    void note(int index, const QString &text) {
        clearBar();
        err_ << "nagikifu: " << index + 1 << "局目: " << text.toStdString() << std::endl;
    }

    void printTable() {
        clearBar();
        const MatchScore &a = series_.score();
        if (a.games() == 0) return;
        const MatchScore b{a.losses, a.wins, a.draws};
        std::size_t width = 12;
        const std::array<std::string, 2> names = engineNames();
        for (const std::string &name : names) width = std::max(width, columns(name));
        char row[128];
        std::snprintf(row, sizeof row, "  勝ち  負け  引分    得点   勝率  Elo差 (95%%)\n");
        out_ << '\n' << padded("エンジン", width) << row;
        for (int engine = 0; engine < 2; ++engine) {
            const MatchScore &score = engine == 0 ? a : b;
            std::snprintf(row, sizeof row, " %5d %5d %5d %7.1f %6.3f  %s\n", score.wins, score.losses,
                          score.draws, score.wins + 0.5 * score.draws, score.ratio(),
                          eloText(eloOf(score), score).c_str());
            out_ << padded(names[engine], width) << row;
        }
        for (const std::string &summary : seriesSummary(series_)) out_ << summary << '\n';
        out_ << std::flush;
    }

    // The engines' own names once they played, else the programs given.
    std::array<std::string, 2> engineNames() const {
        std::array<std::string, 2> names = engineNames_;
        for (int engine = 0; engine < 2; ++engine)
            if (names[engine].empty()) names[engine] = line_.engines[engine];
        return names;
    }

private:
    // Whether the game just counted completed what the SPRT judges: a pair, or any game.
    bool judged() {
        if (!series_.paired()) return true;
        const int pairs = series_.pentanomial().count();
        const bool completed = pairs != pairsSeen_;
        pairsSeen_ = pairs;
        return completed;
    }

    void clearBar() {
        if (terminal_) err_ << "\r" << std::string(60, ' ') << "\r";
    }

    // The terminal columns of UTF-8 text: two for every character beyond the Latin ones.
    static std::size_t columns(const std::string &text) {
        std::size_t count = 0;
        for (std::size_t i = 0; i < text.size(); ++i) {
            const auto byte = static_cast<unsigned char>(text[i]);
            if ((byte & 0xC0) == 0x80) continue;
            count += byte >= 0xE0 ? 2 : 1;
        }
        return count;
    }
    static std::string padded(const std::string &text, std::size_t width) {
        return text + std::string(width > columns(text) ? width - columns(text) : 0, ' ');
    }

    const MatchLine &line_;
    Series &series_;
    std::ostream &out_;
    std::ostream &err_;
    bool terminal_;
    std::array<std::string, 2> engineNames_;
    int pairsSeen_ = 0;
};

}  // namespace

int runMatch(const std::vector<std::string> &args, std::ostream &out, std::ostream &err, bool terminal) {
    const MatchLine line = parseMatch(args);
    if (!line.problem.empty()) {
        err << "nagikifu: " << line.problem << "\n使い方:\n" << MATCH_USAGE;
        return USAGE_ERROR;
    }
    SeriesSettings settings;
    settings.games = line.games;
    settings.concurrency = line.concurrency;
    settings.sprt = line.sprt;
    settings.randomOrder = line.randomOrder;
    settings.seed = line.seed;
    if (!line.openings.empty()) {
        OpeningsRead read = readOpenings(line.openings, line.openingPlies);
        if (!read.problem.empty()) {
            err << "nagikifu: " << read.problem << '\n';
            return FAILED;
        }
        settings.openings = std::move(read.openings);
        settings.paired = true;
    } else {
        Opening start;
        if (std::string reason; !readStart(line.start, start, reason)) {
            err << "nagikifu: " << reason << '\n';
            return FAILED;
        }
        settings.openings = {start};
    }
    if (!line.out.empty() && !QDir().mkpath(QString::fromStdString(line.out))) {
        err << "nagikifu: 保存先のフォルダを作れません: " << line.out << '\n';
        return FAILED;
    }
    if (!line.json.empty())
        if (const SaveResult writable = checkSavable(line.json); !writable.ok) {
            err << "nagikifu: " << line.json << ": " << writable.reason << '\n';
            return FAILED;
        }
    GameSettings game;
    if (!line.book.empty()) {
        // Refused before any engine starts.
        const PlayBook book = openPlayBook(line.book);
        if (!book.book) {
            err << "nagikifu: " << book.reason << '\n';
            return FAILED;
        }
        if (!book.skipped.empty()) err << "nagikifu: " << book.skipped << '\n';
        game.book = {book.book, line.bookPlies, 0};
    }
    const std::unique_ptr<QCoreApplication> application = ensureApplication();
    Series series(std::move(settings));
    game.time = {line.time, line.time};
    game.maxMoves = line.maxMoves;
    std::array<PlayerChoice, 2> engines;
    for (int engine = 0; engine < 2; ++engine) {
        engines[engine].engine = QString::fromStdString(line.engines[engine]);
        engines[engine].options = line.options[engine];
        if (line.marginMs || line.startTimeoutMs) engines[engine].profile = profileFor(line.engines[engine]);
        if (line.marginMs) engines[engine].profile->moveMarginMs = *line.marginMs;
        if (line.startTimeoutMs)
            engines[engine].profile->usiTimeoutMs = engines[engine].profile->readyTimeoutMs = *line.startTimeoutMs;
    }
    SeriesHost host(series, engines, game, QString::fromStdString(line.out));
    MatchPrinter printer(line, series, out, err, terminal);
    QEventLoop loop;
    QObject::connect(&host, &SeriesHost::gameFinished, [&](const SeriesEntry &entry) { printer.gameFinished(entry); });
    QObject::connect(&host, &SeriesHost::note, [&](int index, const QString &text) { printer.note(index, text); });
    QObject::connect(&host, &SeriesHost::startFailed, [&](int index, const QString &reason, bool) {
        // The reason already says what could not be done.
        printer.note(index, reason);
    });
    QObject::connect(&host, &SeriesHost::finished, &loop, &QEventLoop::quit);
    host.start();
    loop.exec();
    printer.printTable();
    int status = series.end() == SeriesEnd::Failed || host.saveFailed() ? FAILED : 0;
    if (!line.json.empty())
        if (const SaveResult saved = saveFileSafely(line.json, seriesJson(series, printer.engineNames())); !saved.ok) {
            err << "nagikifu: " << line.json << ": " << saved.reason << '\n';
            status = FAILED;
        }
    return status;
}
