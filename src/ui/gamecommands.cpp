// 実行 > 対局…, 投了, 入玉宣言 and 中断: a game by the rules on the board, with its clock beside
// the window, and the commands that would leave the game's end locked while it runs.

#include <QCloseEvent>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QMessageBox>
#include <QStatusBar>
#include <QTimer>

#include "core/position_check.h"
#include "engine/openings.h"
#include "enginehost/gamehost.h"
#include "record/position.h"
#include "ui/clockwindow.h"
#include "ui/csagame.h"
#include "ui/destinations.h"
#include "ui/enginestore.h"
#include "ui/gamedialog.h"
#include "ui/windowplace.h"
#include "ui/mainform.h"
#include "ui/znflags.h"

namespace {

std::vector<std::pair<std::string, std::string>> optionList(const QMap<QString, QString> &values) {
    std::vector<std::pair<std::string, std::string>> list;
    for (auto it = values.begin(); it != values.end(); ++it)
        list.emplace_back(it.key().toStdString(), it.value().toStdString());
    return list;
}

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

bool TZnMainForm::refuseDuringGame() {
    if (csaWindow_ != nullptr && csaWindow_->active()) {
        SetStatusText(QStringLiteral("通信対局中はできません（通信対局の中断・中止で止められます）"));
        return true;
    }
    if (editingPosition()) {
        SetStatusText(QStringLiteral("局面編集中はできません（Enter: 編集終了、Esc: 取り消し）"));
        return true;
    }
    if (!gameRunning()) return false;
    SetStatusText(QStringLiteral("対局中はできません（実行 > 中断 で対局を止められます）"));
    return true;
}

void TZnMainForm::askGame() {
    if (refuseDuringGame()) return;
    const QStringList engines = engineStore().engines();
    GameDialog dialog(loadGameChoice(engineStore().settings(), engines), engines, this);
    if (dialog.exec() != QDialog::Accepted) return;
    const GameChoice choice = dialog.choice();
    saveGameChoice(engineStore().settings(), choice);
    // The game replaces the record, so unsaved work is offered for saving first.
    if (!confirmDiscard()) return;
    startGame(choice);
}

QString TZnMainForm::setUpStart(const GameChoice &choice) {
    PositionSpec start;
    if (choice.start == kStartHere) {
        if (const std::string problem = analysisProblem(game_, "対局できません"); !problem.empty())
            return QString::fromStdString(problem);
        start = positionOf(game_);
    } else if (!handicapStart(choice.start.toStdString(), start)) {
        return QStringLiteral("知らない開始局面です: ") + choice.start;
    }
    ZnBan fresh;
    if (const std::string problem = buildGame(fresh, start); !problem.empty())
        return QString::fromStdString(problem);
    selection_.Reset();
    game_.swap(fresh);
    record_.reset();
    setRecordPath(QString());
    return {};
}

bool TZnMainForm::startGame(const GameChoice &choice) {
    if (refuseDuringGame()) return false;
    for (Side side : {SENTE, GOTE})
        if (const std::string problem = timeControlProblem(choice.time[side]); !problem.empty()) {
            SetStatusText(QString::fromStdString(problem));
            return false;
        }
    const bool series =
        !choice.engines[SENTE].isEmpty() && !choice.engines[GOTE].isEmpty() && choice.games > 1;
    seriesFolder_.clear();
    if (series) {
        const QString base = choice.folder.isEmpty() ? defaultSeriesFolder() : choice.folder;
        seriesFolder_ = makeSeriesFolder(base);
        if (seriesFolder_.isEmpty()) {
            SetStatusText(QStringLiteral("連続対局の棋譜を保存するフォルダを作れません: ") + base);
            return false;
        }
    }
    series_ = std::make_unique<GameChoice>(choice);
    seriesRun_.reset();
    seriesGame_.reset();
    if (series) {
        // The same runner as nagikifu match: pairs and sides, openings, the score and each game's name.
        SeriesSettings settings;
        settings.games = choice.games;
        if (!choice.openings.isEmpty()) {
            OpeningsRead read = readOpenings(choice.openings.toStdString(), 16);
            if (!read.problem.empty()) {
                SetStatusText(QStringLiteral("開始局面集を使えません: ") + QString::fromStdString(read.problem));
                return false;
            }
            settings.openings = std::move(read.openings);
            settings.paired = true;
        }
        seriesRun_ = std::make_unique<Series>(std::move(settings));
    }
    lastResult_.clear();
    beginGame(choice);
    return gameRunning();
}

void TZnMainForm::beginGame(const GameChoice &chosen) {
    GameChoice choice = chosen;
    if (seriesRun_) {
        seriesGame_ = seriesRun_->next();
        if (!seriesGame_) return;
        // Engine A (the choice's sente) plays the side the runner gives it, with its own time.
        const Side a = seriesGame_->sideOfA;
        choice.engines = {chosen.engines[a == SENTE ? SENTE : GOTE], chosen.engines[a == SENTE ? GOTE : SENTE]};
        choice.time = {chosen.time[a == SENTE ? SENTE : GOTE], chosen.time[a == SENTE ? GOTE : SENTE]};
    }
    const QString problem = seriesRun_ && !chosen.openings.isEmpty() ? setUpSeriesOpening() : setUpStart(choice);
    if (!problem.isEmpty()) {
        if (seriesRun_) {
            seriesRun_->stop();
            seriesRun_->abandoned(seriesGame_->index);
        }
        RedrawAll();
        SetStatusText(problem);
        return;
    }
    GameSettings settings;
    const bool handicap = choice.start != QStringLiteral("平手") && choice.start != kStartHere;
    settings.names =
        handicap ? std::array<std::string, 2>{"下手", "上手"} : std::array<std::string, 2>{"先手", "後手"};
    settings.time = choice.time;
    settings.maxMoves = choice.maxMoves;
    settings.declaration = choice.declaration;
    settings.startDate =
        QDateTime::currentDateTime().toString(QStringLiteral("yyyy/MM/dd HH:mm:ss")).toStdString();
    std::array<PlayerChoice, 2> players;
    for (Side side : {SENTE, GOTE}) {
        players[side].engine = choice.engines[side];
        if (!players[side].person())
            players[side].options = optionList(engineStore().options(choice.engines[side]));
    }
    gameHost_ = new GameHost(record_, settings, players, this);
    connect(gameHost_, &GameHost::gameStarted, this, [this] {
        clockWindow_->refresh();
        RedrawAll();
        SetStatusText(QStringLiteral("対局開始"));
    });
    connect(gameHost_, &GameHost::movePlayed, this, [this] {
        // The mark moves with the turn, not at the next tick.
        clockWindow_->refresh();
        selection_.clearSquareSelection();
        RedrawAll();
    });
    connect(gameHost_, &GameHost::gameOver, this, &TZnMainForm::gameEnded);
    connect(gameHost_, &GameHost::startFailed, this, [this](const QString &reason) {
        lastResult_ = QStringLiteral("対局を始められません: ") + reason;
        if (seriesRun_) {
            seriesRun_->stop();
            seriesRun_->abandoned(seriesGame_->index);
        }
        SetStatusText(lastResult_);
    });
    connect(gameHost_, &GameHost::note, this, [this](const QString &text) { SetStatusText(text); });
    connect(gameHost_, &GameHost::finished, this, &TZnMainForm::gameFinished);
    lockForGame(true);
    // 指せる場所 shows what the rules allow while they decide; a person playing gote alone against
    // an engine sees the board from that side.
    setDestinationRule(legalDestinations);
    if (players[GOTE].person() && !players[SENTE].person()) setFlipped(true);
    const bool firstClock = clockWindow_ == nullptr;
    if (firstClock) {
        clockWindow_ = new TClockWindow(this);
        closeWithEscape(clockWindow_);
    }
    clockWindow_->follow(gameHost_);
    // Below the window the first time, or where the player left it, and inside the screen either way.
    if (firstClock)
        showInStoredPlace(clockWindow_, QStringLiteral("clock"), QPoint(frameGeometry().left(), frameGeometry().bottom() + 1));
    else
        clockWindow_->show();
    RedrawAll();
    SetStatusText(players[SENTE].person() && players[GOTE].person()
                      ? QString()
                      : QStringLiteral("エンジンを起動しています…"));
    gameHost_->start();
}

void TZnMainForm::gameEnded(const GameResult &result) {
    lastResult_ = QString::fromStdString(resultSentence(result, gameHost_->names()));
    selection_.Reset();
    RedrawAll();
    QString text = lastResult_;
    if (seriesRun_) {
        SeriesEntry entry{seriesGame_->index, seriesGame_->opening, gameHost_->names(), result, {}};
        const QString failed = saveSeriesGame();
        if (failed.isEmpty() && !seriesFolder_.isEmpty())
            entry.file = QDir(seriesFolder_).filePath(QString::fromStdString(seriesRun_->recordName(entry.index))).toStdString();
        seriesRun_->finished(entry);
        if (result.end == GameEnd::Stopped) seriesRun_->stop();
        // The score is the first choice's sente engine's. One pass, so that a name holding "%1"
        // stays as it is.
        const MatchScore &score = seriesRun_->score();
        text = QStringLiteral("第%1局 %2（%3 %4勝%5敗%6分）")
                   .arg(QString::number(entry.index + 1), lastResult_, QFileInfo(series_->engines[SENTE]).fileName(),
                        QString::number(score.wins), QString::number(score.losses), QString::number(score.draws));
        if (!failed.isEmpty()) {
            // Without a place to keep them the next games would only replace this one: the series
            // stops here, this game staying in the window.
            text += QStringLiteral("　") + failed;
            seriesRun_->stop();
        }
    }
    lastResult_ = text;
    SetStatusText(text);
    if (seriesRun_ && !seriesRun_->over()) return;
    if (seriesRun_)
        for (const std::string &line : seriesSummary(*seriesRun_)) text += QStringLiteral("\n") + QString::fromStdString(line);
    if (!seriesFolder_.isEmpty()) text += QStringLiteral("\n棋譜: ") + QDir::toNativeSeparators(seriesFolder_);
    auto box =
        new QMessageBox(QMessageBox::Information, QStringLiteral("対局終了"), text, QMessageBox::Ok, this);
    box->setObjectName(QStringLiteral("GameOverBox"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

void TZnMainForm::gameFinished() {
    GameHost *host = gameHost_;
    gameHost_ = nullptr;
    if (clockWindow_ != nullptr) clockWindow_->refresh();
    if (host != nullptr) host->deleteLater();
    lockForGame(false);
    setDestinationRule({});
    RedrawAll();
    SetStatusText(lastResult_);
    if (!seriesRun_ || seriesRun_->over() || !series_) return;
    QTimer::singleShot(500, this, [this] {
        if (!gameRunning() && series_ && seriesRun_) beginGame(*series_);
    });
}

QString TZnMainForm::setUpSeriesOpening() {
    const Opening &opening = seriesRun_->opening(seriesGame_->opening);
    // The record is left as it was when the opening cannot be set up.
    if (const std::string problem = setUpOpening(record_, opening); !problem.empty())
        return QString::fromStdString(opening.source + ": " + problem);
    selection_.Reset();
    setRecordPath(QString());
    return {};
}

QString TZnMainForm::saveSeriesGame() {
    if (seriesFolder_.isEmpty()) return {};
    const QString path =
        QDir(seriesFolder_).filePath(QString::fromStdString(seriesRun_->recordName(seriesGame_->index)));
    QString reason, lost;
    if (writeRecordFile(path, RecordFormat::Kif, reason, lost)) return {};
    return QStringLiteral("棋譜を保存できません: %1: %2").arg(QDir::toNativeSeparators(path), reason);
}

void TZnMainForm::resignGame() {
    if (!gameRunning()) return SetStatusText(QStringLiteral("対局していません"));
    if (const QString refused = gameHost_->resign(); !refused.isEmpty()) SetStatusText(refused);
}

void TZnMainForm::declareInGame() {
    if (!gameRunning()) return SetStatusText(QStringLiteral("対局していません"));
    if (const QString refused = gameHost_->declare(); !refused.isEmpty()) SetStatusText(refused);
}

void TZnMainForm::stopGame() {
    if (!gameRunning()) return SetStatusText(QStringLiteral("対局していません"));
    if (seriesRun_) seriesRun_->stop();
    gameHost_->stop();
}
