#include "enginehost/gamehost.h"

#include <QFileInfo>
#include <algorithm>
#include <climits>

GameHost::GameHost(GameRecord &record, GameSettings settings, std::array<PlayerChoice, 2> players,
                   QObject *parent)
    : QObject(parent), record_(record), settings_(std::move(settings)), players_(std::move(players)) {
    clock_.start();
    flag_.setSingleShot(true);
    flag_.setTimerType(Qt::PreciseTimer);
    connect(&flag_, &QTimer::timeout, this, &GameHost::flagTimeout);
}

GameHost::~GameHost() {
    // The processes kill their engines as they go.
    for (auto &engine : engines_)
        if (engine) engine->disconnect(this);
}

void GameHost::start() {
    for (Side side : {SENTE, GOTE}) {
        const PlayerChoice &player = players_[side];
        if (player.person()) {
            ready_[side] = true;
            continue;
        }
        auto engine = std::make_unique<EngineProcess>();
        EngineProcess *process = engine.get();
        connect(process, &EngineProcess::engineStateChanged, this,
                [this, side](EngineState state) { engineStateChanged(side, state); });
        connect(process, &EngineProcess::bestMove, this,
                [this, side](const UsiBestMove &best) { engineBestMove(side, best); });
        connect(process, &EngineProcess::fault, this,
                [this, side](const QString &reason) { engineFault(side, reason); });
        connect(process, &EngineProcess::note, this, &GameHost::note);
        connect(process, &EngineProcess::ended, this, [this, side] { engineEnded(side); });
        engines_[side] = std::move(engine);
    }
    for (Side side : {SENTE, GOTE}) {
        if (!engines_[side]) continue;
        engines_[side]->start(players_[side].engine, players_[side].profile);
        for (const auto &[name, value] : players_[side].options) engines_[side]->setOption(name, value);
        // Started and failed at once: the fault has been handled.
        if (!startFault_.isEmpty()) return;
    }
    if (ready_[SENTE] && ready_[GOTE]) QTimer::singleShot(0, this, &GameHost::beginGame);
}

void GameHost::engineStateChanged(Side side, EngineState state) {
    if (state != EngineState::Idle || ready_[side] || ending_) return;
    ready_[side] = true;
    if (ready_[SENTE] && ready_[GOTE]) beginGame();
}

void GameHost::beginGame() {
    if (referee_ || ending_) return;
    for (Side side : {SENTE, GOTE}) {
        if (!engines_[side]) continue;
        const EngineSession *session = engines_[side]->session();
        const std::string name = session->engineName();
        settings_.names[side] =
            name.empty() ? QFileInfo(players_[side].engine).fileName().toStdString() : name;
        settings_.marginMs[side] = session->profile().moveMarginMs;
    }
    referee_ = std::make_unique<GameReferee>(record_, settings_);
    referee_->start(now());
    emit gameStarted();
    advance();
}

void GameHost::advance() {
    if (!referee_) return;
    if (referee_->over()) {
        flag_.stop();
        if (!ending_) {
            ending_ = true;
            // The engine whose answer ended the game is still inside its session's handling of it,
            // which would take it back to idle after our "quit": the engines are ended once that is
            // done.
            QTimer::singleShot(0, this, [this] {
                endEngines();
                checkFinished();
            });
            emit gameOver(referee_->result());
        }
        return;
    }
    nextTurn();
}

void GameHost::nextTurn() {
    armFlag();
    const Side side = referee_->toMove();
    if (!engines_[side]) return;
    // An engine's first moves may come from the game's book; the referee says when.
    if (referee_->playFromBook(now())) {
        emit movePlayed();
        return advance();
    }
    const GameClock::Reading clock = referee_->clock().reading();
    UsiGo go = UsiGo::clocks(clock.senteMs, clock.goteMs, clock.byoyomiMs, clock.senteIncMs, clock.goteIncMs);
    if (engines_[side]->session()->profile().clockSidesSwapped) {
        std::swap(go.senteMs, go.goteMs);
        std::swap(go.senteIncMs, go.goteIncMs);
    }
    engines_[side]->analyse(referee_->positionCommand(), go);
}

void GameHost::armFlag() {
    const std::optional<std::int64_t> flag = referee_->clock().flagTime();
    if (!flag) return flag_.stop();
    // One millisecond after the last one allowed; a long wait is cut short and armed again.
    const std::int64_t wait = std::clamp<std::int64_t>(*flag + 1 - now(), 0, INT_MAX / 2);
    flag_.start(static_cast<int>(wait));
}

void GameHost::flagTimeout() {
    if (!referee_ || referee_->over()) return;
    if (!referee_->checkFlag(now())) return armFlag();
    advance();
}

QString GameHost::refusalForPerson() const {
    if (!referee_) return QStringLiteral("対局はまだ始まっていません");
    if (referee_->over()) return QStringLiteral("対局は終わっています");
    if (!isPerson(referee_->toMove())) return QStringLiteral("相手の手番です");
    return {};
}

QString GameHost::play(const Move &move) {
    if (QString refused = refusalForPerson(); !refused.isEmpty()) return refused;
    const std::string refused = referee_->play(move, now());
    if (!refused.empty() && !referee_->over()) return QString::fromStdString(refused);
    if (refused.empty()) emit movePlayed();
    advance();
    return QString::fromStdString(refused);
}

QString GameHost::resign() {
    if (QString refused = refusalForPerson(); !refused.isEmpty()) return refused;
    referee_->resign(now());
    advance();
    return {};
}

QString GameHost::declare() {
    if (QString refused = refusalForPerson(); !refused.isEmpty()) return refused;
    const std::string refused = referee_->declare(now());
    advance();
    return QString::fromStdString(refused);
}

void GameHost::stop() {
    if (referee_) {
        referee_->stop(now());
        advance();
        return;
    }
    // Stopped while the engines were starting: no game, nothing recorded.
    if (ending_) return;
    ending_ = true;
    startFault_ = QStringLiteral("中断しました");
    endEngines();
    checkFinished();
}

void GameHost::engineBestMove(Side side, const UsiBestMove &best) {
    if (!referee_ || referee_->over() || referee_->toMove() != side) return;
    const int before = referee_->movesPlayed();
    referee_->engineAnswer(best, now());
    if (referee_->movesPlayed() != before) emit movePlayed();
    advance();
}

void GameHost::engineFault(Side side, const QString &reason) {
    if (referee_) {
        referee_->fault(side, reason.toStdString(), now());
        advance();
        return;
    }
    if (ending_) return;
    ending_ = true;
    startFault_ = reason;
    endEngines();
    emit startFailed(reason);
    checkFinished();
}

void GameHost::engineEnded(Side side) {
    if (!ending_) {
        // An end the session did not call a fault (it always does) still loses the game.
        engineFault(side, QStringLiteral("エンジンが終了しました"));
        return;
    }
    checkFinished();
}

void GameHost::endEngines() {
    const GameResult *result = referee_ ? &referee_->result() : nullptr;
    for (Side side : {SENTE, GOTE}) {
        EngineProcess *engine = engines_[side].get();
        if (engine == nullptr || !engine->running()) continue;
        if (result && result->end != GameEnd::Stopped)
            engine->gameOver(!result->winner ? "draw" : *result->winner == side ? "win" : "lose");
        engine->quit();
    }
}

void GameHost::checkFinished() {
    if (finished_ || !ending_) return;
    for (const auto &engine : engines_)
        if (engine && engine->running()) return;
    finished_ = true;
    // Whoever listens may delete the host: not from inside an engine's signal.
    QTimer::singleShot(0, this, &GameHost::finished);
}
