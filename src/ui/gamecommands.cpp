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
#include "enginehost/gamehost.h"
#include "record/position.h"
#include "ui/clockwindow.h"
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
        if (const std::string problem = analysisProblem(document_.game(), "対局できません"); !problem.empty())
            return QString::fromStdString(problem);
        start = positionOf(document_.game());
    } else if (!handicapStart(choice.start.toStdString(), start)) {
        return QStringLiteral("知らない開始局面です: ") + choice.start;
    }
    ZnBan fresh;
    if (const std::string problem = buildGame(fresh, start); !problem.empty())
        return QString::fromStdString(problem);
    selection_.Reset();
    document_.game().swap(fresh);
    document_.record().reset();
    document_.detachFromFile();
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
    gamesLeft_ = series ? choice.games - 1 : 0;
    gamesPlayed_ = 0;
    seriesScore_ = {};
    lastResult_.clear();
    beginGame(choice);
    return gameRunning();
}

void TZnMainForm::beginGame(const GameChoice &choice) {
    if (const QString problem = setUpStart(choice); !problem.isEmpty()) {
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
    gameHost_ = new GameHost(document_.record(), settings, players, this);
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
        gamesLeft_ = 0;
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
    ++gamesPlayed_;
    lastResult_ = QString::fromStdString(resultSentence(result, gameHost_->names()));
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
    selection_.Reset();
    RedrawAll();
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
    SetStatusText(text);
    if (gamesLeft_ > 0) return;
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
    if (gamesLeft_ <= 0 || !series_) return;
    --gamesLeft_;
    std::swap(series_->engines[SENTE], series_->engines[GOTE]);
    std::swap(series_->time[SENTE], series_->time[GOTE]);
    QTimer::singleShot(500, this, [this] {
        if (!gameRunning() && series_) beginGame(*series_);
    });
}

QString TZnMainForm::saveSeriesGame() {
    if (seriesFolder_.isEmpty()) return {};
    const QString path = QDir(seriesFolder_).filePath(QStringLiteral("%1.kif").arg(gamesPlayed_, 3, 10, QChar('0')));
    const QString reason = document_.saveCopy(path);
    if (reason.isEmpty()) return {};
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
    gamesLeft_ = 0;
    gameHost_->stop();
}
