#include "ui/gamecontroller.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QTimer>

#include "core/position_check.h"
#include "record/position.h"
#include "ui/recorddocument.h"

namespace {

// A folder of its own under `base` for the series starting now, named for the time; empty when
// none can be made.
QString makeSeriesFolder(const QString &base) {
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    if (!QDir().mkpath(base)) return {};
    // Two series started within one second each get their own.
    for (int attempt = 1; attempt <= 100; ++attempt) {
        const QString name = attempt == 1 ? stamp : QStringLiteral("%1-%2").arg(stamp).arg(attempt);
        if (QDir(base).mkdir(name)) return QDir(base).filePath(name);
    }
    return {};
}

}  // namespace

GameController::GameController(RecordDocument &document, EngineOptions options, QObject *parent)
    : QObject(parent), document_(document), options_(std::move(options)) {}

GameController::~GameController() = default;

std::optional<bool> GameController::viewFor(const std::array<PlayerChoice, 2> &players) {
    if (players[SENTE].person() == players[GOTE].person()) return std::nullopt;
    return players[GOTE].person();
}

bool GameController::start(const GameChoice &choice) {
    if (running()) {
        emit message(QStringLiteral("対局中はできません（実行 > 中断 で対局を止められます）"));
        return false;
    }
    for (Side side : {SENTE, GOTE})
        if (const std::string problem = timeControlProblem(choice.time[side]); !problem.empty()) {
            emit message(QString::fromStdString(problem));
            return false;
        }
    const bool series = !choice.engines[SENTE].isEmpty() && !choice.engines[GOTE].isEmpty() && choice.games > 1;
    seriesFolder_.clear();
    if (series) {
        const QString base = choice.folder.isEmpty() ? defaultSeriesFolder() : choice.folder;
        seriesFolder_ = makeSeriesFolder(base);
        if (seriesFolder_.isEmpty()) {
            emit message(QStringLiteral("連続対局の棋譜を保存するフォルダを作れません: ") + base);
            return false;
        }
    }
    series_ = std::make_unique<GameChoice>(choice);
    gamesLeft_ = series ? choice.games - 1 : 0;
    gamesPlayed_ = 0;
    seriesScore_ = {};
    lastResult_.clear();
    begin(choice);
    return running();
}

QString GameController::setUpStart(const GameChoice &choice) {
    PositionSpec start;
    if (choice.start == kStartHere) {
        if (const std::string problem = analysisProblem(document_.game(), "対局できません"); !problem.empty())
            return QString::fromStdString(problem);
        start = positionOf(document_.game());
    } else if (!handicapStart(choice.start.toStdString(), start)) {
        return QStringLiteral("知らない開始局面です: ") + choice.start;
    }
    ZnBan fresh;
    if (const std::string problem = buildGame(fresh, start); !problem.empty()) return QString::fromStdString(problem);
    document_.game().swap(fresh);
    document_.record().reset();
    document_.detachFromFile();
    return {};
}

void GameController::begin(const GameChoice &choice) {
    if (const QString problem = setUpStart(choice); !problem.isEmpty()) {
        emit beginFailed(problem);
        return;
    }
    GameSettings settings;
    const bool handicap = choice.start != QStringLiteral("平手") && choice.start != kStartHere;
    settings.names = handicap ? std::array<std::string, 2>{"下手", "上手"} : std::array<std::string, 2>{"先手", "後手"};
    settings.time = choice.time;
    settings.maxMoves = choice.maxMoves;
    settings.declaration = choice.declaration;
    settings.startDate = QDateTime::currentDateTime().toString(QStringLiteral("yyyy/MM/dd HH:mm:ss")).toStdString();
    std::array<PlayerChoice, 2> players;
    for (Side side : {SENTE, GOTE}) {
        players[side].engine = choice.engines[side];
        if (!players[side].person() && options_) players[side].options = options_(choice.engines[side]);
    }
    host_ = new GameHost(document_.record(), settings, players, this);
    connect(host_, &GameHost::gameOver, this, &GameController::gameEnded);
    connect(host_, &GameHost::startFailed, this, [this](const QString &reason) {
        lastResult_ = QStringLiteral("対局を始められません: ") + reason;
        gamesLeft_ = 0;
        emit message(lastResult_);
    });
    connect(host_, &GameHost::note, this, &GameController::message);
    connect(host_, &GameHost::finished, this, &GameController::gameFinished);
    emit begun(host_, viewFor(players));
    emit message(players[SENTE].person() && players[GOTE].person() ? QString()
                                                                   : QStringLiteral("エンジンを起動しています…"));
    host_->start();
}

void GameController::gameEnded(const GameResult &result) {
    ++gamesPlayed_;
    lastResult_ = QString::fromStdString(resultSentence(result, host_->names()));
    // The series' score is counted for the engine that played sente in the first game; the sides
    // swap after each game, so it plays sente in the odd ones.
    const bool firstIsSente = gamesPlayed_ % 2 == 1;
    const QString firstEngine = series_ ? series_->engines[firstIsSente ? SENTE : GOTE] : QString();
    if (series_ && result.end != GameEnd::Stopped) {
        if (!result.winner)
            ++seriesScore_[2];
        else
            ++seriesScore_[(*result.winner == SENTE) == firstIsSente ? 0 : 1];
    }
    if (result.end == GameEnd::Stopped) gamesLeft_ = 0;
    QString text = lastResult_;
    if (gamesPlayed_ > 1 || gamesLeft_ > 0)
        // One pass, so that a name holding "%1" stays as it is.
        text = QStringLiteral("第%1局 %2（%3 %4勝%5敗%6分）")
                   .arg(QString::number(gamesPlayed_), lastResult_, QFileInfo(firstEngine).fileName(),
                        QString::number(seriesScore_[0]), QString::number(seriesScore_[1]),
                        QString::number(seriesScore_[2]));
    if (const QString failed = saveSeriesGame(); !failed.isEmpty()) {
        // Without a place to keep them the next games would only replace this one: the series stops
        // here, this game staying in the window.
        text += QStringLiteral("　") + failed;
        gamesLeft_ = 0;
    }
    lastResult_ = text;
    emit ended(text, gamesLeft_ <= 0);
}

void GameController::gameFinished() {
    GameHost *host = std::exchange(host_, nullptr);
    if (host != nullptr) host->deleteLater();
    emit finished();
    if (gamesLeft_ <= 0 || !series_) return;
    --gamesLeft_;
    std::swap(series_->engines[SENTE], series_->engines[GOTE]);
    std::swap(series_->time[SENTE], series_->time[GOTE]);
    QTimer::singleShot(500, this, [this] {
        if (!running() && series_) begin(*series_);
    });
}

QString GameController::saveSeriesGame() {
    if (seriesFolder_.isEmpty()) return {};
    const QString path = QDir(seriesFolder_).filePath(QStringLiteral("%1.kif").arg(gamesPlayed_, 3, 10, QChar('0')));
    const QString reason = document_.saveCopy(path);
    if (reason.isEmpty()) return {};
    return QStringLiteral("棋譜を保存できません: %1: %2").arg(QDir::toNativeSeparators(path), reason);
}

QString GameController::resign() { return running() ? host_->resign() : QStringLiteral("対局していません"); }

QString GameController::declare() { return running() ? host_->declare() : QStringLiteral("対局していません"); }

QString GameController::stop() {
    if (!running()) return QStringLiteral("対局していません");
    gamesLeft_ = 0;
    host_->stop();
    return {};
}
