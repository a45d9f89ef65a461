#include "kifu/csa.h"

#include <fcntl.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QSocketNotifier>
#include <QTimer>
#include <csignal>
#include <cstdio>
#include <memory>
#include <ostream>

#include "enginehost/csaclient.h"
#include "enginehost/engineprocess.h"
#include "kifu/analyse.h"
#include "kifu/cli.h"
#include "support/savefile.h"

const char *const CSA_USAGE =
    "  nagikifu csa --host ホスト [--port 4081] --id ID --password パスワード --engine エンジン\n"
    "               [--games 数] [--out フォルダ] [--keep-alive 秒] [--floodgate-comments]\n"
    "               [--margin ミリ秒] [--option 名前=値 ...] [--verbose]\n"
    "      CSA サーバ（Floodgate など）にログインしてエンジンに対局させ（既定 1 局、一局ごとに\n"
    "      ログインし直します）、各局を フォルダ/NNN.csa（既定は今のフォルダ、既存の番号の続き）に\n"
    "      保存し、一局ごとの結果と通算を出します。--margin はエンジンに伝える時間から引く通信の\n"
    "      余裕（既定 1000）、--keep-alive は空行を送る間隔（0 で送らない、30 以上）、\n"
    "      --floodgate-comments は評価値と読み筋を指し手に添えます。--verbose はサーバとのやりとりを\n"
    "      標準エラーに出します（パスワードは伏せます）。Ctrl+C で中断し、棋譜を保存してログアウトします。\n";

namespace {

constexpr int FAILED = 1;
constexpr int USAGE_ERROR = 2;

struct CsaLine {
    std::string host, engine, out = ".";
    int port = 4081;
    int games = 1;
    bool verbose = false;
    CsaSettings settings;
    std::vector<std::pair<std::string, std::string>> options;
    std::string problem;
};

CsaLine parseCsa(const std::vector<std::string> &args) {
    CsaLine line;
    bool id = false, password = false;
    for (std::size_t i = 0; i < args.size() && line.problem.empty(); ++i) {
        const std::string &arg = args[i];
        if (arg == "--floodgate-comments") {
            line.settings.floodgateComments = true;
            continue;
        }
        if (arg == "--verbose") {
            line.verbose = true;
            continue;
        }
        const std::string *given = optionValue(args, i, line.problem);
        if (given == nullptr) break;
        const std::string &value = *given;
        int number = 0;
        bool ok = true;
        if (arg == "--host") {
            line.host = value;
        } else if (arg == "--port") {
            ok = readCount(value, 1, 65535, line.port);
        } else if (arg == "--id") {
            line.settings.id = value, id = true;
        } else if (arg == "--password") {
            line.settings.password = value, password = true;
        } else if (arg == "--engine") {
            line.engine = value;
        } else if (arg == "--games") {
            ok = readCount(value, 1, 100000, line.games);
        } else if (arg == "--out") {
            line.out = value;
        } else if (arg == "--keep-alive") {
            ok = readCount(value, 0, 3600, number) && (number == 0 || number >= 30);
            line.settings.keepAliveMs = std::int64_t(number) * 1000;
        } else if (arg == "--margin") {
            ok = readCount(value, 0, 60000, number);
            line.settings.marginMs = number;
        } else if (arg == "--option") {
            const std::size_t equals = value.find('=');
            ok = equals != std::string::npos && equals > 0;
            if (ok) line.options.emplace_back(value.substr(0, equals), value.substr(equals + 1));
        } else {
            line.problem = "知らないオプションです: " + arg;
        }
        // The password is never repeated, not even to say it is wrong.
        if (!ok) line.problem = arg + " の値が正しくありません" + (arg == "--password" ? "" : ": " + value);
    }
    if (!line.problem.empty()) return line;
    if (line.host.empty())
        line.problem = "csa には --host が要ります";
    else if (!id || !password)
        line.problem = "csa には --id と --password が要ります";
    else if (line.engine.empty())
        line.problem = "csa には --engine が要ります";
    else if (const std::string problem = csaLoginProblem(line.settings.id, line.settings.password, false);
             !problem.empty())
        line.problem = problem;
    return line;
}

// The number after which the series' records go: the highest NNN.csa already in the folder, so that
// no earlier record is written over.
int lastRecordNumber(const QDir &folder) {
    int last = 0;
    for (const QString &name : folder.entryList({QStringLiteral("*.csa")}, QDir::Files)) {
        bool ok = false;
        const int number = name.chopped(4).toInt(&ok);
        if (ok && name.size() == 7) last = std::max(last, number);
    }
    return last;
}

// Ctrl+C reaches the event loop through a pipe: the handler only writes a byte.
int interruptPipe[2] = {-1, -1};
extern "C" void onInterrupt(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(interruptPipe[1], &byte, 1);
}

class CsaRunner {
public:
    CsaRunner(const CsaLine &line, std::ostream &out, std::ostream &err)
        : line_(line), out_(out), err_(err) {}

    int run() {
        QDir folder(QString::fromStdString(line_.out));
        if (!folder.exists() && !QDir().mkpath(folder.path())) {
            err_ << "nagikifu: 保存先のフォルダを作れません: " << line_.out << '\n';
            return FAILED;
        }
        firstNumber_ = lastRecordNumber(folder) + 1;
        watchInterrupts();
        if (!startEngine()) return finishRun();
        for (int game = 0; game < line_.games && !stopping_; ++game) playOne(game);
        return finishRun();
    }

    ~CsaRunner() {
        if (notifier_) {
            std::signal(SIGINT, SIG_DFL);
            notifier_.reset();
            ::close(interruptPipe[0]);
            ::close(interruptPipe[1]);
            interruptPipe[0] = interruptPipe[1] = -1;
        }
    }

private:
    void watchInterrupts() {
        if (::pipe2(interruptPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
        notifier_ = std::make_unique<QSocketNotifier>(interruptPipe[0], QSocketNotifier::Read);
        QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] {
            char bytes[16];
            while (::read(interruptPipe[0], bytes, sizeof bytes) > 0) {
            }
            interrupted();
        });
        std::signal(SIGINT, onInterrupt);
    }

    void interrupted() {
        if (interrupted_) {
            // A second Ctrl+C does not wait for the server.
            loop_.quit();
            return;
        }
        interrupted_ = stopping_ = true;
        err_ << "nagikifu: 中断します（もう一度 Ctrl+C で待たずに終わります）" << std::endl;
        if (client_)
            client_->abort();
        else
            loop_.quit();
    }

    bool startEngine() {
        bool ready = false, failed = false;
        QObject::connect(&engine_, &EngineProcess::engineStateChanged, [&](EngineState state) {
            if (state == EngineState::Idle && !ready) {
                ready = true;
                loop_.quit();
            }
        });
        QObject::connect(&engine_, &EngineProcess::fault, [&](const QString &reason) {
            err_ << "nagikifu: エンジン: " << reason.toStdString() << std::endl;
            if (!ready) failed = true, loop_.quit();
        });
        QObject::connect(&engine_, &EngineProcess::ended, [&] {
            if (!ready) failed = true;
            engineGone_ = true;
            if (client_ && !client_->isFinished()) client_->abort();
            loop_.quit();
        });
        engine_.start(QString::fromStdString(line_.engine));
        for (const auto &[name, value] : line_.options) engine_.setOption(name, value);
        if (!failed && !ready) loop_.exec();
        engine_.disconnect();
        QObject::connect(&engine_, &EngineProcess::ended, [this] {
            engineGone_ = true;
            if (client_ && !client_->isFinished()) client_->abort();
        });
        QObject::connect(&engine_, &EngineProcess::fault, [this](const QString &reason) {
            err_ << "nagikifu: エンジン: " << reason.toStdString() << std::endl;
        });
        if (!ready || interrupted_) {
            if (!interrupted_) err_ << "nagikifu: エンジンを起動できません: " << line_.engine << '\n';
            status_ = FAILED;
            return false;
        }
        return true;
    }

    void playOne(int game) {
        CsaClient client(line_.settings, &engine_);
        client_ = &client;
        bool failed = false;
        QObject::connect(&client, &CsaClient::failed, [&](const QString &reason) {
            err_ << "nagikifu: " << line_.host << ": " << reason.toStdString() << std::endl;
            failed = true;
        });
        QObject::connect(&client, &CsaClient::noted, [&](const QString &text) {
            err_ << "nagikifu: " << text.toStdString() << std::endl;
        });
        if (line_.verbose)
            QObject::connect(&client, &CsaClient::lineLogged,
                             [&](const QString &text) { err_ << text.toStdString() << std::endl; });
        QObject::connect(&client, &CsaClient::gameOver, [&](const CsaGameEnd &end) {
            report(game, client, end);
            client.logout();
        });
        QObject::connect(&client, &CsaClient::finished, &loop_, &QEventLoop::quit);
        client.start(QString::fromStdString(line_.host), static_cast<quint16>(line_.port));
        if (!interrupted_) loop_.exec();
        client_ = nullptr;
        if (failed || engineGone_ || !client.session().gameEnd()) {
            status_ = FAILED;
            stopping_ = true;
        }
    }

    void report(int game, CsaClient &client, const CsaGameEnd &end) {
        const CsaSummary &summary = client.session().summary();
        const Side side = client.session().ourSide();
        const char *result = end.outcome == CsaOutcome::Win    ? "勝ち"
                             : end.outcome == CsaOutcome::Lose ? "負け"
                             : end.outcome == CsaOutcome::None ? "中断"
                                                               : "引き分け";
        ++tally_[end.outcome == CsaOutcome::Win    ? 0
                 : end.outcome == CsaOutcome::Lose ? 1
                 : end.outcome == CsaOutcome::None ? 3
                                                   : 2];
        out_ << game + 1 << '/' << line_.games << ' ' << (side == SENTE ? "☗" : "☖") << summary.names[side]
             << ' ' << result << ' ' << (end.reason.empty() ? end.text : end.reason) << ' ' << end.moves
             << "手" << std::endl;
        char name[32];
        std::snprintf(name, sizeof name, "%03d.csa", firstNumber_ + game);
        const std::string path = line_.out + "/" + name;
        if (const SaveResult saved = saveFileSafely(path, client.recordText()); !saved.ok) {
            err_ << "nagikifu: " << path << ": " << saved.reason << std::endl;
            status_ = FAILED;
        }
        if (end.outcome == CsaOutcome::None) status_ = FAILED;
    }

    int finishRun() {
        if (engine_.running()) {
            QObject::connect(&engine_, &EngineProcess::ended, &loop_, &QEventLoop::quit);
            engine_.quit();
            if (engine_.running()) loop_.exec();
        }
        if (tally_[0] + tally_[1] + tally_[2] + tally_[3] > 0)
            out_ << "通算: " << tally_[0] << "勝 " << tally_[1] << "敗 " << tally_[2] << "分"
                 << (tally_[3] > 0 ? " 中断" + std::to_string(tally_[3]) : std::string()) << std::endl;
        if (interrupted_) status_ = FAILED;
        return status_;
    }

    const CsaLine &line_;
    std::ostream &out_;
    std::ostream &err_;
    QEventLoop loop_;
    EngineProcess engine_;
    CsaClient *client_ = nullptr;
    std::unique_ptr<QSocketNotifier> notifier_;
    int firstNumber_ = 1;
    int status_ = 0;
    bool stopping_ = false;
    bool interrupted_ = false;
    bool engineGone_ = false;
    // Wins, losses, draws, games broken off.
    int tally_[4] = {};
};

}  // namespace

int runCsa(const std::vector<std::string> &args, std::ostream &out, std::ostream &err) {
    const CsaLine line = parseCsa(args);
    if (!line.problem.empty()) {
        err << "nagikifu: " << line.problem << "\n使い方:\n" << CSA_USAGE;
        return USAGE_ERROR;
    }
    const std::unique_ptr<QCoreApplication> application = ensureApplication();
    CsaRunner runner(line, out, err);
    return runner.run();
}
