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
#include "ui/serieswindow.h"
#include "ui/windowplace.h"
#include "ui/mainform.h"
#include "ui/znflags.h"


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

bool TZnMainForm::startGame(const GameChoice &choice) {
    if (refuseDuringGame()) return false;
    return games_.start(choice);
}

void TZnMainForm::connectGames() {
    connect(&games_, &GameController::message, this, &TZnMainForm::SetStatusText);
    connect(&games_, &GameController::beginFailed, this, [this](const QString &problem) {
        selection_.Reset();
        RedrawAll();
        SetStatusText(problem);
    });
    connect(&games_, &GameController::begun, this, &TZnMainForm::gameBegun);
    // A series shows its score and SPRT in a window of its own, opened as it begins.
    connect(&games_, &GameController::seriesChanged, this, [this] {
        const bool beginning = games_.series() != nullptr && games_.series()->entries().empty();
        if (seriesWindow_ != nullptr) {
            // Closed during a series, it stays closed until the next begins.
            if (beginning) seriesWindow_->show();
            return;
        }
        seriesWindow_ = new TSeriesWindow(games_, this);
        closeWithEscape(seriesWindow_);
        showInStoredPlace(seriesWindow_, QStringLiteral("series"), QPoint(frameGeometry().right() + 1, frameGeometry().top()));
    });
    connect(&games_, &GameController::ended, this, [this](const QString &text, bool last) {
        selection_.Reset();
        RedrawAll();
        SetStatusText(text);
        if (!last) return;
        QString box = text;
        if (!games_.seriesFolder().isEmpty())
            box += QStringLiteral("\n棋譜: ") + QDir::toNativeSeparators(games_.seriesFolder());
        auto *shown = new QMessageBox(QMessageBox::Information, QStringLiteral("対局終了"), box, QMessageBox::Ok, this);
        shown->setObjectName(QStringLiteral("GameOverBox"));
        shown->setAttribute(Qt::WA_DeleteOnClose);
        shown->open();
    });
    connect(&games_, &GameController::finished, this, [this] {
        if (clockWindow_ != nullptr) clockWindow_->refresh();
        lockForGame(false);
        setDestinationRule({});
        RedrawAll();
        SetStatusText(games_.lastResult());
    });
}

void TZnMainForm::gameBegun(GameHost *host, std::optional<bool> turned) {
    selection_.Reset();
    connect(host, &GameHost::gameStarted, this, [this] {
        clockWindow_->refresh();
        RedrawAll();
        SetStatusText(QStringLiteral("対局開始"));
    });
    connect(host, &GameHost::movePlayed, this, [this] {
        // The mark moves with the turn, not at the next tick.
        clockWindow_->refresh();
        selection_.clearSquareSelection();
        RedrawAll();
    });
    lockForGame(true);
    // 指せる場所 shows what the rules allow while they decide; a person playing one side alone sees
    // the board from that side.
    setDestinationRule(legalDestinations);
    if (turned) setFlipped(*turned);
    const bool firstClock = clockWindow_ == nullptr;
    if (firstClock) {
        clockWindow_ = new TClockWindow(this);
        closeWithEscape(clockWindow_);
    }
    clockWindow_->follow(host);
    // Below the window the first time, or where the player left it, and inside the screen either way.
    if (firstClock)
        showInStoredPlace(clockWindow_, QStringLiteral("clock"), QPoint(frameGeometry().left(), frameGeometry().bottom() + 1));
    else
        clockWindow_->show();
    RedrawAll();
}

void TZnMainForm::resignGame() {
    if (const QString refused = games_.resign(); !refused.isEmpty()) SetStatusText(refused);
}

void TZnMainForm::declareInGame() {
    // A declaration that fails the conditions loses the game at once: it is never made by a slip.
    if (gameRunning() && gameHost()->personToMove() &&
        !promotionAsker_->askQuestion(QStringLiteral("入玉宣言"),
                                      QStringLiteral("入玉宣言をしますか？\n条件を満たしていなければ負けになります。"))) {
        SetStatusText(QStringLiteral("入玉宣言を取りやめました"));
        return;
    }
    if (const QString refused = games_.declare(); !refused.isEmpty()) SetStatusText(refused);
}

void TZnMainForm::stopGame() {
    if (const QString refused = games_.stop(); !refused.isEmpty()) SetStatusText(refused);
}
