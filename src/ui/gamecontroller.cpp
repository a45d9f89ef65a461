#include "ui/gamecontroller.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTimer>

#include "core/position_check.h"
#include "engine/openings.h"
#include "record/position.h"
#include "record/sfen.h"
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
    if (seriesRunning()) {
        emit message(QStringLiteral("対局中はできません（実行 > 中断 で対局を止められます）"));
        return false;
    }
    for (Side side : {SENTE, GOTE})
        if (const std::string problem = timeControlProblem(choice.time[side]); !problem.empty()) {
            emit message(QString::fromStdString(problem));
            return false;
        }
    const bool series = !choice.engines[SENTE].isEmpty() && !choice.engines[GOTE].isEmpty() && choice.games > 1;
    book_.reset();
    if (!choice.book.isEmpty() && (!choice.engines[SENTE].isEmpty() || !choice.engines[GOTE].isEmpty())) {
        // A book that cannot serve is refused before anything starts.
        PlayBook book = openPlayBook(choice.book.toStdString());
        if (!book.book) {
            emit message(QStringLiteral("定跡を使えません: ") + QString::fromStdString(book.reason));
            return false;
        }
        book_ = std::move(book.book);
    }
    // The window asks for no seed: each start draws its own, so that games from a book vary.
    bookSeed_ = QRandomGenerator::global()->generate64();
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
    seriesHost_.reset();
    seriesRun_.reset();
    seriesGame_.reset();
    if (series) {
        // The same runner as nagikifu match: pairs and sides, openings, the score and each game's name.
        SeriesSettings settings;
        settings.games = choice.games;
        settings.seed = bookSeed_;
        settings.concurrency = choice.concurrency;
        settings.sprt = choice.sprt;
        if (!choice.openings.isEmpty()) {
            OpeningsRead read = readOpenings(choice.openings.toStdString(), 16);
            if (!read.problem.empty()) {
                emit message(QStringLiteral("開始局面集を使えません: ") + QString::fromStdString(read.problem));
                return false;
            }
            settings.openings = std::move(read.openings);
            settings.paired = true;
        } else if (choice.concurrency > 1) {
            // Off the board the games start from the choice's start as the one opening.
            PositionSpec start;
            ZnBan game;
            QString problem = startPosition(choice, start);
            if (problem.isEmpty()) problem = QString::fromStdString(buildGame(game, start));
            if (!problem.isEmpty()) {
                emit message(problem);
                return false;
            }
            settings.openings = {Opening{choice.start.toStdString(), writeUsi(game)}};
        }
        seriesRun_ = std::make_unique<Series>(std::move(settings));
    }
    lastResult_.clear();
    if (series && choice.concurrency > 1)
        beginConcurrent(choice);
    else
        begin(choice);
    if (seriesRun_ && seriesRunning()) emit seriesChanged();
    return seriesRunning();
}

std::array<QString, 2> GameController::seriesEngines() const {
    return series_ ? series_->engines : std::array<QString, 2>{};
}

QString GameController::seriesLine(int index, const QString &result) const {
    // One pass, so that a name holding "%1" stays as it is.
    const MatchScore &score = seriesRun_->score();
    return QStringLiteral("第%1局 %2（%3 %4勝%5敗%6分）")
        .arg(QString::number(index + 1), result, QFileInfo(series_->engines[SENTE]).fileName(),
             QString::number(score.wins), QString::number(score.losses), QString::number(score.draws));
}

void GameController::beginConcurrent(const GameChoice &choice) {
    GameSettings settings;
    settings.time = choice.time;
    settings.maxMoves = choice.maxMoves;
    settings.declaration = choice.declaration;
    settings.book = {book_, choice.bookPlies, 0};
    std::array<PlayerChoice, 2> engines;
    for (Side side : {SENTE, GOTE}) {
        engines[side].engine = choice.engines[side];
        if (options_) engines[side].options = options_(choice.engines[side]);
    }
    seriesHost_ = std::make_unique<SeriesHost>(*seriesRun_, engines, settings, seriesFolder_);
    connect(seriesHost_.get(), &SeriesHost::gameFinished, this, [this](const SeriesEntry &entry) {
        lastResult_ = seriesLine(entry.index, QString::fromStdString(resultSentence(entry.result, entry.names)));
        emit seriesChanged();
        emit ended(lastResult_, false);
    });
    connect(seriesHost_.get(), &SeriesHost::note, this, [this](int index, const QString &text) {
        emit message(QStringLiteral("第%1局: %2").arg(QString::number(index + 1), text));
    });
    connect(seriesHost_.get(), &SeriesHost::startFailed, this, [this](int index, const QString &reason, bool again) {
        const QString text = QStringLiteral("第%1局を始められません: %2").arg(QString::number(index + 1), reason);
        // One that is not tried again ends the series: the closing message says why.
        if (!again) lastResult_ = text;
        emit message(text);
    });
    connect(seriesHost_.get(), &SeriesHost::finished, this, [this] {
        // Games end in any order, the last perhaps one the stop cut short: the close names the
        // series' own score, and why it could not go on when a game could not start.
        const MatchScore &score = seriesRun_->score();
        QString text = QStringLiteral("連続対局 %1局（%2 %3勝%4敗%5分）")
                           .arg(QString::number(seriesRun_->played()), QFileInfo(series_->engines[SENTE]).fileName(),
                                QString::number(score.wins), QString::number(score.losses),
                                QString::number(score.draws));
        if (seriesRun_->end() == SeriesEnd::Failed) text += QStringLiteral("\n") + lastResult_;
        lastResult_ = text;
        for (const std::string &line : seriesSummary(*seriesRun_)) text += QStringLiteral("\n") + QString::fromStdString(line);
        if (seriesHost_->saveFailed()) text += QStringLiteral("\n保存できなかった棋譜があります");
        emit seriesChanged();
        emit ended(text, true);
    });
    emit message(QStringLiteral("連続対局: %1 局を %2 局ずつ同時に指します")
                     .arg(QString::number(choice.games), QString::number(choice.concurrency)));
    seriesHost_->start();
}

QString GameController::startPosition(const GameChoice &choice, PositionSpec &start) {
    if (choice.start == kStartHere) {
        if (const std::string problem = analysisProblem(document_.game(), "対局できません"); !problem.empty())
            return QString::fromStdString(problem);
        start = positionOf(document_.game());
    } else if (!handicapStart(choice.start.toStdString(), start)) {
        return QStringLiteral("知らない開始局面です: ") + choice.start;
    }
    return {};
}

QString GameController::setUpStart(const GameChoice &choice) {
    PositionSpec start;
    if (const QString problem = startPosition(choice, start); !problem.isEmpty()) return problem;
    ZnBan fresh;
    if (const std::string problem = buildGame(fresh, start); !problem.empty()) return QString::fromStdString(problem);
    document_.game().swap(fresh);
    document_.record().reset();
    document_.detachFromFile();
    return {};
}

QString GameController::setUpSeriesOpening() {
    const Opening &opening = seriesRun_->opening(seriesGame_->opening);
    // The record is left as it was when the opening cannot be set up.
    if (const std::string problem = setUpOpening(document_.record(), opening); !problem.empty())
        return QString::fromStdString(opening.source + ": " + problem);
    document_.detachFromFile();
    return {};
}

void GameController::begin(const GameChoice &chosen) {
    GameChoice choice = chosen;
    if (seriesRun_) {
        seriesGame_ = seriesRun_->next();
        if (!seriesGame_) return;
        // Engine A (the choice's sente) plays the side the runner gives it, with its own time.
        const Side a = seriesGame_->sideOfA;
        choice.engines = {chosen.engines[a], chosen.engines[otherSide(a)]};
        choice.time = {chosen.time[a], chosen.time[otherSide(a)]};
    }
    const QString problem = seriesRun_ && !chosen.openings.isEmpty() ? setUpSeriesOpening() : setUpStart(choice);
    if (!problem.isEmpty()) {
        if (seriesRun_) {
            seriesRun_->stop();
            seriesRun_->abandoned(seriesGame_->index);
        }
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
    settings.book = {book_, choice.bookPlies, seriesRun_ ? seriesRun_->bookSeed(seriesGame_->index) : bookSeed_};
    std::array<PlayerChoice, 2> players;
    for (Side side : {SENTE, GOTE}) {
        players[side].engine = choice.engines[side];
        if (!players[side].person() && options_) players[side].options = options_(choice.engines[side]);
    }
    host_ = new GameHost(document_.record(), settings, players, this);
    connect(host_, &GameHost::gameOver, this, &GameController::gameEnded);
    connect(host_, &GameHost::startFailed, this, [this](const QString &reason) {
        lastResult_ = QStringLiteral("対局を始められません: ") + reason;
        if (seriesRun_) {
            seriesRun_->stop();
            seriesRun_->abandoned(seriesGame_->index);
        }
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
    const bool handicap = host_->referee() != nullptr && host_->referee()->handicap();
    lastResult_ = QString::fromStdString(resultSentence(result, host_->names(), handicap));
    QString text = lastResult_;
    if (seriesRun_) {
        SeriesEntry entry{seriesGame_->index, seriesGame_->opening, host_->names(), result, {}};
        const QString failed = saveSeriesGame();
        if (failed.isEmpty() && !seriesFolder_.isEmpty())
            entry.file = QDir(seriesFolder_).filePath(QString::fromStdString(seriesRun_->recordName(entry.index))).toStdString();
        seriesRun_->finished(entry);
        if (result.end == GameEnd::Stopped) seriesRun_->stop();
        // The score is the first choice's sente engine's.
        text = seriesLine(entry.index, lastResult_);
        emit seriesChanged();
        if (!failed.isEmpty()) {
            // Without a place to keep them the next games would only replace this one: the series
            // stops here, this game staying in the window.
            text += QStringLiteral("　") + failed;
            seriesRun_->stop();
        }
    }
    lastResult_ = text;
    const bool last = !seriesRun_ || seriesRun_->over();
    if (seriesRun_ && last)
        for (const std::string &line : seriesSummary(*seriesRun_)) text += QStringLiteral("\n") + QString::fromStdString(line);
    emit ended(text, last);
}

void GameController::gameFinished() {
    GameHost *host = std::exchange(host_, nullptr);
    if (host != nullptr) host->deleteLater();
    emit finished();
    if (!seriesRun_ || seriesRun_->over() || !series_) return;
    QTimer::singleShot(500, this, [this] {
        if (!running() && series_ && seriesRun_) begin(*series_);
    });
}

QString GameController::saveSeriesGame() {
    if (seriesFolder_.isEmpty()) return {};
    const QString path =
        QDir(seriesFolder_).filePath(QString::fromStdString(seriesRun_->recordName(seriesGame_->index)));
    const QString reason = document_.saveCopy(path);
    if (reason.isEmpty()) return {};
    return QStringLiteral("棋譜を保存できません: %1: %2").arg(QDir::toNativeSeparators(path), reason);
}

QString GameController::resign() { return running() ? host_->resign() : QStringLiteral("対局していません"); }

QString GameController::declare() { return running() ? host_->declare() : QStringLiteral("対局していません"); }

QString GameController::stop() {
    if (seriesHost_ && !seriesHost_->isFinished()) {
        seriesHost_->stop();
        return {};
    }
    if (!running()) return QStringLiteral("対局していません");
    if (seriesRun_) seriesRun_->stop();
    host_->stop();
    return {};
}
