#include "kifu/match.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QEventLoop>
#include <QFileInfo>
#include <QTimer>
#include <algorithm>
#include <charconv>
#include <cstdio>
#include <deque>
#include <memory>
#include <ostream>

#include "engine/matchscore.h"
#include "enginehost/gamehost.h"
#include "kifu/analyse.h"
#include "kifu/cli.h"
#include "record/formats.h"
#include "record/position.h"
#include "review/gameanalysis.h"
#include "support/readfile.h"
#include "support/savefile.h"

const char *const MATCH_USAGE =
    "  nagikifu match --engine A --engine B [--games 数] [--time 秒] [--byoyomi 秒 | --increment 秒]\n"
    "                 [--start startpos|手合割|棋譜] [--max-moves 手数] [--concurrency 数] [--out フォルダ]\n"
    "      二つのエンジンを一局ごとに先後を入れ替えて対局させ（既定 2 局、持ち時間 0 秒・秒読み 1 秒、\n"
    "      最大手数 500、同時に 1 局）、各局を フォルダ/001.kif … に保存し、勝ち・負け・引き分け・\n"
    "      得点と Elo 差（95 % 区間）の表を出します。--start の棋譜はその最後の局面から始めます。\n";

namespace {

constexpr int FAILED = 1;
constexpr int USAGE_ERROR = 2;

struct MatchLine {
    std::array<std::string, 2> engines;
    int games = 2;
    TimeControl time{0, 1000, 0};
    std::string start = "startpos";
    int maxMoves = 500;
    int concurrency = 1;
    std::string out;
    std::string problem;
};

MatchLine parseMatch(const std::vector<std::string> &args) {
    MatchLine line;
    int engines = 0;
    bool byoyomi = false, increment = false;
    for (std::size_t i = 0; i < args.size() && line.problem.empty(); ++i) {
        const std::string &arg = args[i];
        if (arg.size() < 2 || arg[0] != '-') {
            line.problem = "余分な引数です: " + arg;
            break;
        }
        if (i + 1 == args.size()) {
            line.problem = arg + " の後に値がありません";
            break;
        }
        const std::string &value = args[++i];
        int seconds = 0;
        bool ok = true;
        if (arg == "--engine") {
            if (engines == 2)
                line.problem = "--engine は二つまでです";
            else
                line.engines[engines++] = value;
        } else if (arg == "--games") {
            ok = readCount(value, 1, 100000, line.games);
        } else if (arg == "--time" || arg == "--byoyomi" || arg == "--increment") {
            ok = readCount(value, 0, 10 * 24 * 3600, seconds);
            const std::int64_t ms = std::int64_t(seconds) * 1000;
            if (arg == "--time") line.time.mainMs = ms;
            if (arg == "--byoyomi") line.time.byoyomiMs = ms, byoyomi = true;
            if (arg == "--increment") line.time.incrementMs = ms, increment = true;
        } else if (arg == "--start") {
            line.start = value;
        } else if (arg == "--max-moves") {
            ok = readCount(value, 0, 100000, line.maxMoves);
        } else if (arg == "--concurrency") {
            ok = readCount(value, 1, 64, line.concurrency);
        } else if (arg == "--out") {
            line.out = value;
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
    if (increment && !byoyomi) line.time.byoyomiMs = 0;
    if (line.problem.empty())
        if (const std::string problem = timeControlProblem(line.time); !problem.empty())
            line.problem = problem;
    return line;
}

// The start of every game: the standard one, a handicap, or the last position of a record.
bool readStart(const std::string &start, PositionSpec &position, std::string &reason) {
    if (start == "startpos" || start == "平手") {
        position = standardStart();
        return true;
    }
    if (handicapStart(start, position)) return true;
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
    return true;
}

struct Game {
    int index = 0;
    ZnBan board;
    GameRecord record{board};
    std::unique_ptr<GameHost> host;
};

class MatchRunner {
public:
    MatchRunner(const MatchLine &line, const PositionSpec &start, std::ostream &out, std::ostream &err,
                bool terminal)
        : line_(line), start_(start), out_(out), err_(err), terminal_(terminal) {}

    int run() {
        QEventLoop loop;
        loop_ = &loop;
        fill();
        if (!running_.empty()) loop.exec();
        if (terminal_ && finished_ > 0) err_ << "\r" << std::string(60, ' ') << "\r" << std::flush;
        if (finished_ > 0) printTable();
        return status_;
    }

private:
    void fill() {
        while (!stopping_ && static_cast<int>(running_.size()) < line_.concurrency) {
            if (!retry_.empty()) {
                const int index = retry_.front();
                retry_.pop_front();
                startGame(index);
            } else if (next_ < line_.games) {
                startGame(next_++);
            } else {
                break;
            }
        }
        if (running_.empty()) loop_->quit();
    }

    void startGame(int index) {
        auto game = std::make_unique<Game>();
        game->index = index;
        if (const std::string problem = buildGame(game->board, start_); !problem.empty()) {
            err_ << "nagikifu: 開始局面: " << problem << '\n';
            status_ = FAILED;
            stopping_ = true;
            return;
        }
        game->record.reset();
        GameSettings settings;
        settings.time = {line_.time, line_.time};
        settings.maxMoves = line_.maxMoves;
        settings.startDate =
            QDateTime::currentDateTime().toString(QStringLiteral("yyyy/MM/dd HH:mm:ss")).toStdString();
        std::array<PlayerChoice, 2> players;
        // Engine A plays sente in the first game, gote in the second, and so on.
        for (Side side : {SENTE, GOTE})
            players[side].engine = QString::fromStdString(line_.engines[(index + side) % 2]);
        game->host = std::make_unique<GameHost>(game->record, settings, players);
        GameHost *host = game->host.get();
        Game *raw = game.get();
        QObject::connect(host, &GameHost::startFailed, [this, raw](const QString &reason) {
            // The reason already says what could not be done.
            err_ << "nagikifu: " << raw->index + 1 << "局目: " << reason.toStdString() << std::endl;
            // Engines that played before failed only this once (a busy machine): the game is played
            // again, a few times at most. One that never started ends the match.
            if (played_ > 0 && ++retries_ <= kRetries) {
                retry_.push_back(raw->index);
                return;
            }
            status_ = FAILED;
            stopping_ = true;
        });
        QObject::connect(host, &GameHost::note, [this, raw](const QString &text) {
            err_ << "nagikifu: " << raw->index + 1 << "局目: " << text.toStdString() << std::endl;
        });
        QObject::connect(host, &GameHost::finished, [this, raw] { gameFinished(raw); });
        running_.push_back(std::move(game));
        host->start();
    }

    void gameFinished(Game *game) {
        if (game->host->started()) {
            ++played_;
            report(*game);
        }
        for (auto it = running_.begin(); it != running_.end(); ++it)
            if (it->get() == game) {
                // Not from inside the host's own signal.
                std::shared_ptr<Game> done(std::move(*it));
                running_.erase(it);
                QTimer::singleShot(0, [done] {});
                break;
            }
        fill();
    }

    void report(Game &game) {
        const GameReferee &referee = *game.host->referee();
        const GameResult &result = referee.result();
        const std::array<std::string, 2> &names = game.host->names();
        const int a = game.index % 2 == 0 ? SENTE : GOTE;  // the side engine A played
        for (Side side : {SENTE, GOTE}) engineNames_[(side + game.index) % 2] = names[side];
        ++finished_;
        if (!result.winner)
            ++score_.draws;
        else if (*result.winner == a)
            ++score_.wins;
        else
            ++score_.losses;
        if (terminal_) err_ << "\r" << std::string(60, ' ') << "\r";
        out_ << game.index + 1 << '/' << line_.games << ' ';
        if (result.winner)
            out_ << (*result.winner == SENTE ? "▲" : "△") << names[*result.winner] << " 勝ち ";
        else
            out_ << "引き分け ";
        out_ << endReasonText(result) << ' ' << result.moves << "手" << std::endl;
        if (!line_.out.empty()) save(game);
        if (terminal_) err_ << progressBar(finished_, line_.games) << std::flush;
    }

    void save(Game &game) {
        char name[32];
        std::snprintf(name, sizeof name, "%03d.kif", game.index + 1);
        const std::string path = line_.out + "/" + name;
        std::string bytes;
        if (const RecordResult written =
                writeRecordBytes(game.board, game.record.notes(), RecordFormat::Kif, bytes, true);
            !written.ok) {
            err_ << "nagikifu: " << path << ": " << written.reason << std::endl;
            status_ = FAILED;
            return;
        }
        if (const SaveResult saved = saveFileSafely(path, bytes); !saved.ok) {
            err_ << "nagikifu: " << path << ": " << saved.reason << std::endl;
            status_ = FAILED;
        }
    }

    void printTable() {
        const MatchScore &a = score_;
        const MatchScore b{a.losses, a.wins, a.draws};
        std::size_t width = 12;
        std::array<std::string, 2> names;
        for (int engine = 0; engine < 2; ++engine) {
            names[engine] = engineNames_[engine].empty() ? line_.engines[engine] : engineNames_[engine];
            width = std::max(width, columns(names[engine]));
        }
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
        out_ << std::flush;
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
    const PositionSpec &start_;
    std::ostream &out_;
    std::ostream &err_;
    bool terminal_;
    QEventLoop *loop_ = nullptr;
    std::deque<std::unique_ptr<Game>> running_;
    int next_ = 0;
    int finished_ = 0;
    // Games whose engines could not start although they had played before, to be played again.
    static constexpr int kRetries = 3;
    std::deque<int> retry_;
    int retries_ = 0;
    int played_ = 0;
    bool stopping_ = false;
    int status_ = 0;
    // Engine A's score; B's is its mirror.
    MatchScore score_;
    std::array<std::string, 2> engineNames_;
};

}  // namespace

int runMatch(const std::vector<std::string> &args, std::ostream &out, std::ostream &err, bool terminal) {
    const MatchLine line = parseMatch(args);
    if (!line.problem.empty()) {
        err << "nagikifu: " << line.problem << "\n使い方:\n" << MATCH_USAGE;
        return USAGE_ERROR;
    }
    if (!line.out.empty() && !QFileInfo(QString::fromStdString(line.out)).isDir()) {
        err << "nagikifu: 保存先のフォルダがありません: " << line.out << '\n';
        return FAILED;
    }
    PositionSpec start;
    if (std::string reason; !readStart(line.start, start, reason)) {
        err << "nagikifu: " << reason << '\n';
        return FAILED;
    }
    const std::unique_ptr<QCoreApplication> application = ensureApplication();
    MatchRunner runner(line, start, out, err, terminal);
    return runner.run();
}
