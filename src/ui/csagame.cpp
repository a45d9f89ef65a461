#include "ui/csagame.h"

#include <QAction>
#include <QDir>
#include <QFont>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QVBoxLayout>

#include "enginehost/csaclient.h"
#include "enginehost/engineprocess.h"
#include "record/csa.h"
#include "support/savefile.h"
#include "ui/clockwindow.h"
#include "ui/destinations.h"
#include "ui/enginestore.h"
#include "ui/interaction.h"
#include "ui/mainform.h"
#include "ui/windowplace.h"
#include "ui/znflags.h"

namespace {

// A file name from the server's Game_ID: what a folder cannot hold becomes "_".
QString fileNameOf(const std::string &gameId) {
    QString name = QString::fromStdString(gameId.substr(0, 120));
    for (QChar &c : name)
        if (!(c.isLetterOrNumber() || c == '+' || c == '-' || c == '_' || c == '.')) c = '_';
    return name.isEmpty() ? QStringLiteral("game") : name;
}

}  // namespace

void CsaGameWindow::install(TZnMainForm &form) {
    auto window = new CsaGameWindow(form);
    form.csaWindow_ = window;
}

CsaGameWindow::CsaGameWindow(TZnMainForm &form) : QWidget(&form, Qt::Tool), form_(form) {
    setObjectName(QStringLiteral("CsaGameWindow"));
    setWindowTitle(QStringLiteral("通信対局"));
    state_ = new QLabel(this);
    state_->setObjectName(QStringLiteral("CsaState"));
    state_->setWordWrap(true);
    auto grid = new QGridLayout;
    QFont big = font();
    big.setPixelSize(24);
    big.setBold(true);
    for (Side side : {SENTE, GOTE}) {
        names_[side] = new QLabel(this);
        times_[side] = new QLabel(this);
        times_[side]->setFont(big);
        grid->addWidget(names_[side], side, 0);
        grid->addWidget(times_[side], side, 1, Qt::AlignRight);
    }
    resign_ = new QPushButton(QStringLiteral("投了"), this);
    declare_ = new QPushButton(QStringLiteral("入玉宣言"), this);
    stop_ = new QPushButton(QStringLiteral("中断"), this);
    cancel_ = new QPushButton(QStringLiteral("中止"), this);
    cancel_->setObjectName(QStringLiteral("CsaCancel"));
    connect(resign_, &QPushButton::clicked, this, &CsaGameWindow::resign);
    connect(declare_, &QPushButton::clicked, this, &CsaGameWindow::declare);
    connect(stop_, &QPushButton::clicked, this, &CsaGameWindow::stop);
    connect(cancel_, &QPushButton::clicked, this, &CsaGameWindow::cancel);
    auto buttons = new QHBoxLayout;
    for (QPushButton *button : {resign_, declare_, stop_, cancel_}) buttons->addWidget(button);
    auto layout = new QVBoxLayout(this);
    layout->addWidget(state_);
    layout->addLayout(grid);
    layout->addLayout(buttons);
    clock_.setInterval(200);
    connect(&clock_, &QTimer::timeout, this, &CsaGameWindow::showClock);
    enableButtons();
    closeWithEscape(this);
}

CsaGameWindow::~CsaGameWindow() { delete client_; }

void CsaGameWindow::ask() {
    if (active()) return form_.SetStatusText(QStringLiteral("通信対局中です（中止・中断で止められます）"));
    if (form_.refuseDuringGame()) return;
    QSettings &settings = form_.engineStore().settings();
    CsaDialog dialog(loadCsaChoice(settings), form_.engineStore().engines(), &form_);
    if (dialog.exec() != QDialog::Accepted) return;
    const CsaChoice choice = dialog.choice();
    saveCsaChoice(settings, choice);
    // The game replaces the record, so unsaved work is offered for saving first.
    if (!form_.confirmDiscard()) return;
    start(choice);
}

void CsaGameWindow::start(const CsaChoice &choice) {
    if (active()) return;
    choice_ = choice;
    cancelled_ = false;
    gamesLeft_ = std::max(1, choice.games);
    gamesPlayed_ = 0;
    result_.clear();
    if (!choice.folder.isEmpty() && !QDir().mkpath(choice.folder)) {
        setState(QStringLiteral("棋譜の保存先を作れません: ") + QDir::toNativeSeparators(choice.folder));
        return;
    }
    showInStoredPlace(this, QStringLiteral("csa"),
                      QPoint(form_.frameGeometry().right() + 1, form_.frameGeometry().top()));
    form_.lockForGame(true);
    if (choice.engine.isEmpty()) {
        engine_.reset();
        login();
        return;
    }
    engine_ = std::make_unique<EngineProcess>();
    engineStarting_ = true;
    connect(engine_.get(), &EngineProcess::engineStateChanged, this, [this](EngineState state) {
        if (state != EngineState::Idle || !engineStarting_) return;
        engineStarting_ = false;
        login();
    });
    connect(engine_.get(), &EngineProcess::fault, this, [this](const QString &reason) {
        if (!engineStarting_) return;
        engineStarting_ = false;
        gamesLeft_ = 0;
        setState(QStringLiteral("エンジンを起動できません: ") + reason);
        form_.lockForGame(false);
        enableButtons();
    });
    setState(QStringLiteral("エンジンを起動しています…"));
    engine_->start(choice.engine);
    const QMap<QString, QString> options = form_.engineStore().options(choice.engine);
    for (auto it = options.begin(); it != options.end(); ++it)
        engine_->setOption(it.key().toStdString(), it.value().toStdString());
    enableButtons();
}

void CsaGameWindow::login() {
    CsaSettings settings;
    settings.id = choice_.id.toStdString();
    settings.password = choice_.password.toStdString();
    settings.keepAliveMs = choice_.keepAlive ? 40000 : 0;
    settings.floodgateComments = choice_.comments;
    gameSaved_ = false;
    // The last game's clocks go until the next game's conditions come.
    for (Side side : {SENTE, GOTE}) names_[side]->clear(), times_[side]->clear();
    client_ = new CsaClient(settings, engine_.get(), this);
    connect(client_, &CsaClient::sessionStateChanged, this, &CsaGameWindow::stateChanged);
    connect(client_, &CsaClient::gameBegan, this, [this] {
        syncRecord();
        const Side side = client_->session().ourSide();
        form_.setFlipped(side == GOTE);
        form_.setDestinationRule(legalDestinations);
        clock_.start();
        stateChanged();
    });
    connect(client_, &CsaClient::moveConfirmed, this, [this] {
        syncRecord();
        showClock();
        enableButtons();
    });
    connect(client_, &CsaClient::personToMove, this, &CsaGameWindow::enableButtons);
    connect(client_, &CsaClient::gameOver, this, &CsaGameWindow::gameOver);
    connect(client_, &CsaClient::failed, this, &CsaGameWindow::failed);
    connect(client_, &CsaClient::noted, this, [this](const QString &text) { form_.SetStatusText(text); });
    connect(client_, &CsaClient::finished, this, &CsaGameWindow::finished);
    setState(QStringLiteral("%1:%2 に接続しています…").arg(choice_.host).arg(choice_.port));
    client_->start(choice_.host, static_cast<quint16>(choice_.port));
    enableButtons();
}

bool CsaGameWindow::active() const { return engineStarting_ || nextLoginDue_ || client_ != nullptr; }

bool CsaGameWindow::playing() const {
    return client_ != nullptr && (client_->session().state() == CsaState::Playing ||
                                  client_->session().state() == CsaState::Ending);
}

bool CsaGameWindow::locksStands() const { return active() && !(playing() && client_->session().ourTurn()); }

void CsaGameWindow::press(int x, int y) {
    if (!playing()) return form_.SetStatusText(QStringLiteral("対局の準備中です"));
    if (!engine_ && !client_->session().ourTurn())
        return form_.SetStatusText(client_->session().game().turn() == client_->session().ourSide()
                                       ? QStringLiteral("サーバの返事を待っています")
                                       : QStringLiteral("相手の手番です"));
    if (engine_) return form_.SetStatusText(QStringLiteral("エンジンが指しています"));
    QString refusal;
    CsaClient *client = client_;
    const auto play = [client](const Move &move) {
        return client->play(Move{move.from, move.to, move.promote, move.dropKind});
    };
    if (!BoardPressInGame(form_.document_.game(), form_.selection_, *form_.promotionAsker_, x, y, play, refusal,
                          form_.display_.view))
        return;
    form_.RedrawAll();
    if (!refusal.isEmpty()) form_.SetStatusText(refusal);
}

void CsaGameWindow::resign() {
    if (!client_) return;
    if (const QString refused = client_->resign(); !refused.isEmpty()) form_.SetStatusText(refused);
}

void CsaGameWindow::declare() {
    if (!client_) return;
    if (const QString refused = client_->declare(); !refused.isEmpty()) form_.SetStatusText(refused);
}

void CsaGameWindow::stop() {
    gamesLeft_ = 0;
    if (client_) client_->abort();
}

void CsaGameWindow::cancel() {
    gamesLeft_ = 0;
    cancelled_ = true;
    if (nextLoginDue_) {
        nextLoginDue_ = false;
        setState(QStringLiteral("中止しました"));
        return wrapUp();
    }
    if (client_) {
        client_->abort();
        return;
    }
    if (engineStarting_) {
        engineStarting_ = false;
        engine_.reset();
        setState(QStringLiteral("中止しました"));
        form_.lockForGame(false);
        enableButtons();
    }
}

void CsaGameWindow::setState(const QString &text, bool statusBar) {
    state_->setText(text);
    // A longer text wraps to more lines: the window grows rather than squeeze the clocks.
    if (layout()->hasHeightForWidth()) {
        const int wanted = layout()->totalHeightForWidth(width());
        if (wanted > height()) resize(width(), wanted);
    }
    if (statusBar) form_.holdStatusText(text);
}

QString CsaGameWindow::stateText() const { return state_->text(); }

QString CsaGameWindow::clockText(int side) const {
    return names_[side & 1]->text() + ' ' + times_[side & 1]->text();
}

void CsaGameWindow::enableButtons() {
    const bool game = playing();
    const bool personMoves = game && !engine_ && client_->session().ourTurn();
    resign_->setEnabled(personMoves);
    declare_->setEnabled(personMoves);
    stop_->setEnabled(game);
    cancel_->setEnabled(active() && !game);
}

void CsaGameWindow::stateChanged() {
    if (!client_) return;
    const CsaSession &session = client_->session();
    switch (session.state()) {
        case CsaState::LoggingIn: setState(QStringLiteral("ログインしています…")); break;
        case CsaState::Waiting:
            if (!session.gameEnd())
                setState(QStringLiteral("対局待ち（%1 として %2 にログインしました）")
                             .arg(choice_.id, choice_.host));
            break;
        case CsaState::Summary:
        case CsaState::Agreeing:
            setState(QStringLiteral("対局条件を受けました: ") +
                     QString::fromStdString(session.summary().gameId));
            break;
        case CsaState::Playing:
            setState(QStringLiteral("対局中: %1").arg(QString::fromStdString(session.summary().gameId)));
            break;
        default: break;
    }
    showClock();
    enableButtons();
}

void CsaGameWindow::showClock() {
    if (!client_ || !client_->session().gameBegun()) return;
    const CsaSession &session = client_->session();
    const Side toMove = session.game().turn();
    for (Side side : {SENTE, GOTE}) {
        const CsaClockReading clock = session.clockAt(side, client_->now());
        const bool ours = side == session.ourSide();
        names_[side]->setText(
            QStringLiteral("%1%2%3").arg(side == SENTE ? QStringLiteral("☗") : QStringLiteral("☖"),
                                         QString::fromStdString(session.summary().names[side]),
                                         ours ? QStringLiteral("（こちら）") : QString()));
        QString text = ::clockText(clock.mainMs);
        if (session.summary().time[side].byoyomiMs > 0)
            text += QStringLiteral("  秒読み %1").arg((clock.byoyomiMs + 999) / 1000);
        times_[side]->setText((side == toMove && playing() ? QStringLiteral("▶ ") : QString()) + text);
    }
}

void CsaGameWindow::syncRecord() {
    if (!client_) return;
    ZnBan fresh;
    RecordNotes notes;
    if (!readCsa(fresh, notes, client_->recordText()).ok) return;
    form_.selection_.Reset();
    form_.document_.game().swap(fresh);
    form_.document_.record().reset(std::move(notes));
    form_.document_.detachFromFile();
    form_.RedrawAll();
}

void CsaGameWindow::gameOver(const CsaGameEnd &end) {
    ++gamesPlayed_;
    syncRecord();
    clock_.stop();
    showClock();
    const char *word = end.outcome == CsaOutcome::Win    ? "勝ち"
                       : end.outcome == CsaOutcome::Lose ? "負け"
                       : end.outcome == CsaOutcome::None ? "中断"
                                                         : "引き分け";
    result_ = QStringLiteral("%1: %2（%3手）")
                  .arg(QString::fromUtf8(word), QString::fromStdString(end.text))
                  .arg(end.moves);
    if (end.reason == "#ILLEGAL_MOVE" && end.outcome == CsaOutcome::Lose)
        result_ += QStringLiteral("　サーバが反則と判定しました");
    save();
    setState(result_);
    form_.setDestinationRule({});
    enableButtons();
    // Each game logs in again, as Floodgate expects.
    client_->logout();
}

void CsaGameWindow::save() {
    if (gameSaved_ || !client_ || !client_->session().gameBegun() || choice_.folder.isEmpty()) return;
    gameSaved_ = true;
    const QDir folder(choice_.folder);
    const QString base = fileNameOf(client_->session().summary().gameId);
    QString path = folder.filePath(base + QStringLiteral(".csa"));
    for (int n = 2; QFileInfo::exists(path) && n < 1000; ++n)
        path = folder.filePath(QStringLiteral("%1-%2.csa").arg(base).arg(n));
    const SaveResult saved = saveFileSafely(path.toStdString(), client_->recordText());
    if (saved.ok) {
        lastSaved_ = path;
        form_.document_.takeSavedFile(path, RecordFormat::Csa);
        result_ += QStringLiteral("　棋譜: ") + QDir::toNativeSeparators(path);
    } else {
        result_ += QStringLiteral("　棋譜を保存できません: ") + QString::fromStdString(saved.reason);
        gamesLeft_ = 0;
    }
}

void CsaGameWindow::failed(const QString &reason) {
    gamesLeft_ = 0;
    QString text = reason;
    // A game broken off by the connection keeps what was played. The session ends the game before
    // it tells of the fault, so the end was shown and saved then, and the record is the saved file's.
    if (client_ && client_->session().gameBegun()) {
        if (!client_->session().gameEnd()) {
            syncRecord();
            result_ = QStringLiteral("中断: ") + reason;
            save();
        }
        text = result_;
    }
    setState(text);
}

void CsaGameWindow::finished() {
    CsaClient *client = client_;
    client_ = nullptr;
    clock_.stop();
    if (client) client->deleteLater();
    const bool again = !cancelled_ && --gamesLeft_ > 0;
    if (cancelled_ && result_.isEmpty()) setState(QStringLiteral("中止しました"));
    if (!again) return wrapUp();
    // The next game of the series logs in again after a breath.
    nextLoginDue_ = true;
    QTimer::singleShot(1000, this, [this] {
        if (!nextLoginDue_) return;
        nextLoginDue_ = false;
        login();
    });
    enableButtons();
}

void CsaGameWindow::wrapUp() {
    if (engine_) engine_->quit();
    form_.lockForGame(false);
    form_.setDestinationRule({});
    // The result stays in the status bar while the record is walked, until the next message.
    form_.holdStatusText(stateText());
    enableButtons();
}
