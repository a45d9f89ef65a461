#include "enginehost/serieshost.h"

#include <QDateTime>
#include <QDir>
#include <QTimer>
#include <utility>

#include "record/formats.h"
#include "support/savefile.h"

struct SeriesHost::Game {
    SeriesGame plan;
    ZnBan board;
    GameRecord record{board};
    std::unique_ptr<GameHost> host;
};

SeriesHost::SeriesHost(Series &series, std::array<PlayerChoice, 2> engines, GameSettings settings, QString folder,
                       QObject *parent)
    : QObject(parent),
      series_(series),
      engines_(std::move(engines)),
      settings_(std::move(settings)),
      folder_(std::move(folder)) {}

SeriesHost::~SeriesHost() {
    for (auto &game : running_)
        if (game->host) game->host->disconnect(this);
}

void SeriesHost::start() { QTimer::singleShot(0, this, &SeriesHost::fill); }

void SeriesHost::stop() {
    series_.stop();
    for (auto &game : running_) game->host->stop();
    fill();
}

void SeriesHost::fill() {
    if (finished_) return;
    if (const qint64 wait = pauseUntil_ - QDateTime::currentMSecsSinceEpoch(); wait > 0) {
        QTimer::singleShot(static_cast<int>(wait), this, &SeriesHost::fill);
        return;
    }
    while (const std::optional<SeriesGame> plan = series_.next()) begin(*plan);
    if (running_.empty() && series_.over()) {
        finished_ = true;
        emit finished();
    }
}

void SeriesHost::begin(const SeriesGame &plan) {
    auto game = std::make_unique<Game>();
    game->plan = plan;
    if (const std::string problem = setUpOpening(game->record, series_.opening(plan.opening)); !problem.empty()) {
        series_.notStarted(plan.index);
        series_.stop();
        emit startFailed(plan.index, QString::fromStdString("開始局面: " + problem), false);
        return;
    }
    GameSettings settings = settings_;
    // Each engine keeps its own time on whichever side it plays.
    if (plan.sideOfA == GOTE) std::swap(settings.time[SENTE], settings.time[GOTE]);
    settings.startDate =
        QDateTime::currentDateTime().toString(QStringLiteral("yyyy/MM/dd HH:mm:ss")).toStdString();
    settings.book.seed = series_.bookSeed(plan.index);
    std::array<PlayerChoice, 2> players;
    players[plan.sideOfA] = engines_[0];
    players[otherSide(plan.sideOfA)] = engines_[1];
    game->host = std::make_unique<GameHost>(game->record, settings, players);
    GameHost *host = game->host.get();
    Game *raw = game.get();
    connect(host, &GameHost::startFailed, this, [this, raw](const QString &reason) {
        const bool again = series_.notStarted(raw->plan.index);
        // An engine that played before and now fails to come up meets a busy machine: the game
        // waits a little before it is tried again.
        if (again) pauseUntil_ = QDateTime::currentMSecsSinceEpoch() + kRetryPauseMs;
        emit startFailed(raw->plan.index, reason, again);
    });
    connect(host, &GameHost::note, this, [this, raw](const QString &text) { emit note(raw->plan.index, text); });
    connect(host, &GameHost::finished, this, [this, raw] { gameOver(raw); });
    running_.push_back(std::move(game));
    host->start();
}

void SeriesHost::gameOver(Game *game) {
    if (game->host->started()) {
        SeriesEntry entry;
        entry.index = game->plan.index;
        entry.opening = game->plan.opening;
        entry.names = game->host->names();
        entry.result = game->host->referee()->result();
        if (!folder_.isEmpty()) {
            const QString path = QDir(folder_).filePath(QString::fromStdString(series_.recordName(entry.index)));
            if (const QString failed = save(*game); failed.isEmpty())
                entry.file = path.toStdString();
            else
                emit note(entry.index, failed);
        }
        const SprtVerdict before = series_.verdict();
        series_.finished(entry);
        emit gameFinished(entry);
        // The SPRT has decided: the games still running count for nothing now.
        if (before == SprtVerdict::Continue && series_.verdict() != SprtVerdict::Continue)
            for (auto &other : running_)
                if (other.get() != game) other->host->stop();
    } else {
        // Stopped before its engines were ready; one that failed to start has been told already.
        series_.abandoned(game->plan.index);
    }
    for (auto it = running_.begin(); it != running_.end(); ++it)
        if (it->get() == game) {
            // Not from inside the host's own signal.
            std::shared_ptr<Game> done(std::move(*it));
            running_.erase(it);
            QTimer::singleShot(0, this, [done] {});
            break;
        }
    fill();
}

QString SeriesHost::save(Game &game) {
    const QString path = QDir(folder_).filePath(QString::fromStdString(series_.recordName(game.plan.index)));
    std::string bytes;
    if (const RecordResult written =
            writeRecordBytes(game.board, game.record.notes(), RecordFormat::Kif, bytes, true);
        !written.ok) {
        saveFailed_ = true;
        return path + QStringLiteral(": ") + QString::fromStdString(written.reason);
    }
    if (const SaveResult saved = saveFileSafely(path.toStdString(), bytes); !saved.ok) {
        saveFailed_ = true;
        return path + QStringLiteral(": ") + QString::fromStdString(saved.reason);
    }
    return {};
}
