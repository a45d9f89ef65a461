#include "engine/session.h"

#include <algorithm>
#include <cstring>

namespace {

// Turns an engine's own way of saying mate into the protocol's.
void normaliseScore(const EngineProfile &profile, UsiInfo &info) {
    if (profile.mateCentipawns <= 0 || !info.score || info.score->mate) return;
    const std::int64_t value = info.score->value;
    if (value < profile.mateCentipawns && value > -profile.mateCentipawns) return;
    info.score->mate = true;
    info.score->mateKnown = false;
    info.score->value = value > 0 ? 1 : -1;
}

std::string seconds(std::int64_t ms) { return std::to_string((ms + 999) / 1000) + " 秒"; }

// A line cut to a length a status bar can show, at a character boundary.
std::string shortened(const std::string &line) {
    constexpr std::size_t kMost = 80;
    if (line.size() <= kMost) return line;
    std::size_t end = kMost;
    while (end > 0 && (static_cast<unsigned char>(line[end]) & 0xC0) == 0x80) --end;
    return line.substr(0, end) + "…";
}

}  // namespace

std::string exitText(const ProcessExit &exit) {
    if (!exit.signalled) return "終了コード " + std::to_string(exit.code);
    const char *name = ::sigabbrev_np(exit.code);
    return "シグナル " + std::to_string(exit.code) + (name != nullptr ? " SIG" + std::string(name) : "");
}

std::optional<std::int64_t> searchLimitMs(const UsiGo &go) {
    constexpr std::int64_t kGraceMs = 5000;
    switch (go.kind) {
        case UsiGo::Kind::Infinite: return std::nullopt;
        case UsiGo::Kind::MoveTime:
            return std::max<std::int64_t>(go.moveTimeMs, 1000) + go.moveTimeMs + kGraceMs;
        case UsiGo::Kind::Clocks: {
            const std::int64_t own =
                std::max(go.senteMs, go.goteMs) + go.byoyomiMs + std::max(go.senteIncMs, go.goteIncMs);
            return std::max<std::int64_t>(own, 1000) + own + kGraceMs;
        }
    }
    return std::nullopt;
}

const char *stateName(EngineState state) {
    switch (state) {
        case EngineState::NotStarted: return "not started";
        case EngineState::Starting: return "starting";
        case EngineState::Readying: return "readying";
        case EngineState::Idle: return "idle";
        case EngineState::Searching: return "searching";
        case EngineState::Stopping: return "stopping";
        case EngineState::Quitting: return "quitting";
        case EngineState::Ended: return "ended";
    }
    return "?";
}

EngineSession::EngineSession(EngineProfile profile, EngineSessionHost &host)
    : profile_(std::move(profile)), host_(host) {}

void EngineSession::setState(EngineState state) {
    if (state_ == state) return;
    state_ = state;
    host_.stateChanged(state);
}

void EngineSession::start(std::int64_t now) {
    if (state_ != EngineState::NotStarted) return;
    setState(EngineState::Starting);
    deadline_ = now + profile_.usiTimeoutMs;
    host_.sendLine("usi");
}

void EngineSession::lineReceived(const std::string &text, std::int64_t now) {
    lastLine_ = shortened(text);
    if (state_ == EngineState::NotStarted || state_ == EngineState::Ended || state_ == EngineState::Quitting)
        return;
    UsiLine line = parseUsiLine(text);
    switch (state_) {
        case EngineState::Starting:
            if (line.type == UsiLineType::Id && line.idKey == "name") {
                name_ = line.idValue;
                // A generic engine that names itself may be one the program knows by another path.
                if (profile_.key == "generic") {
                    EngineProfile known = profileFor({}, name_);
                    if (known.key != "generic") profile_ = std::move(known);
                }
            } else if (line.type == UsiLineType::Option && !line.option.name.empty()) {
                options_.push_back(line.option);
            } else if (line.type == UsiLineType::UsiOk) {
                for (const auto &[name, value] : profile_.startOptions) sendOption(name, value);
                askReady(now);
            }
            break;
        case EngineState::Readying:
            if (line.type == UsiLineType::ReadyOk) becomeIdle(now);
            break;
        case EngineState::Searching:
            if (line.type == UsiLineType::Info) {
                normaliseScore(profile_, line.info);
                host_.searchInfo(line.info);
            } else if (line.type == UsiLineType::BestMove) {
                host_.searchEnded(line.best);
                becomeIdle(now);
            }
            break;
        case EngineState::Stopping:
            // Whatever the old search still says is out of date; its bestmove frees the engine.
            if (line.type == UsiLineType::BestMove) becomeIdle(now);
            break;
        default: break;
    }
}

void EngineSession::askReady(std::int64_t now) {
    readyDue_ = false;
    setState(EngineState::Readying);
    deadline_ = now + profile_.readyTimeoutMs;
    host_.sendLine("isready");
}

void EngineSession::becomeIdle(std::int64_t now) {
    deadline_.reset();
    setState(EngineState::Idle);
    std::vector<std::pair<std::string, std::string>> queued;
    queued.swap(queuedOptions_);
    for (const auto &[name, value] : queued) sendOption(name, value);
    if (pending_ && readyDue_) {
        askReady(now);
    } else if (pending_) {
        const Request request = std::move(*pending_);
        pending_.reset();
        startSearch(request, now);
    }
}

void EngineSession::startSearch(const Request &request, std::int64_t now) {
    // Options set while idle went before it, as the protocol wants them before the game starts.
    if (newGameDue_) host_.sendLine("usinewgame");
    newGameDue_ = false;
    host_.sendLine(request.positionCommand);
    host_.sendLine(goCommand(profile_, request.go));
    setState(EngineState::Searching);
    // Timed from the search's start, not from the request, which may wait while the engine starts.
    if (const std::optional<std::int64_t> limit = searchLimitMs(request.go)) deadline_ = now + *limit;
}

void EngineSession::sendStop(std::int64_t now) {
    host_.sendLine(profile_.stopCommand);
    setState(EngineState::Stopping);
    deadline_ = now + profile_.stopTimeoutMs;
}

void EngineSession::sendOption(const std::string &name, const std::string &value) {
    host_.sendLine(value.empty() ? "setoption name " + name : "setoption name " + name + " value " + value);
}

void EngineSession::analyse(const std::string &positionCommand, const UsiGo &go, std::int64_t now) {
    Request request{positionCommand, go};
    switch (state_) {
        case EngineState::Starting:
        case EngineState::Readying:
        case EngineState::Stopping: pending_ = std::move(request); break;
        case EngineState::Idle:
            if (readyDue_) {
                pending_ = std::move(request);
                askReady(now);
            } else {
                startSearch(request, now);
            }
            break;
        case EngineState::Searching:
            pending_ = std::move(request);
            sendStop(now);
            break;
        default: break;
    }
}

void EngineSession::newGame(std::int64_t) {
    if (state_ == EngineState::Quitting || state_ == EngineState::Ended) return;
    newGameDue_ = true;
    // Before its first "readyok" the engine is about to say it is ready anyway.
    readyDue_ =
        state_ == EngineState::Idle || state_ == EngineState::Searching || state_ == EngineState::Stopping;
}

void EngineSession::stop(std::int64_t now) {
    pending_.reset();
    if (state_ != EngineState::Searching) return;
    sendStop(now);
}

void EngineSession::setOption(const std::string &name, const std::string &value, std::int64_t) {
    if (state_ == EngineState::Idle)
        sendOption(name, value);
    else if (state_ != EngineState::Quitting && state_ != EngineState::Ended)
        queuedOptions_.emplace_back(name, value);
}

void EngineSession::quit(std::int64_t now) {
    pending_.reset();
    if (state_ == EngineState::NotStarted || state_ == EngineState::Ended || state_ == EngineState::Quitting)
        return;
    if (state_ == EngineState::Searching) host_.sendLine(profile_.stopCommand);
    host_.sendLine("quit");
    setState(EngineState::Quitting);
    deadline_ = now + profile_.quitTimeoutMs;
}

void EngineSession::gameOver(const std::string &result, std::int64_t now) {
    stop(now);
    if (state_ == EngineState::Idle || state_ == EngineState::Stopping) host_.sendLine("gameover " + result);
}

void EngineSession::fail(const std::string &reason) {
    deadline_.reset();
    pending_.reset();
    killed_ = true;
    host_.engineFault(reason + "（" + lastLineText() + "）");
    host_.killProcess();
}

void EngineSession::tick(std::int64_t now) {
    if (!deadline_ || now < *deadline_) return;
    switch (state_) {
        // A search that forgot its time is stopped; the stop has its own watchdog.
        case EngineState::Searching: sendStop(now); break;
        case EngineState::Starting:
            fail("エンジンが usi に " + seconds(profile_.usiTimeoutMs) + "答えないので止めました");
            break;
        case EngineState::Readying:
            fail("エンジンが isready に " + seconds(profile_.readyTimeoutMs) + "答えないので止めました");
            break;
        case EngineState::Stopping:
            fail("エンジンが stop に " + seconds(profile_.stopTimeoutMs) + "答えないので止めました");
            break;
        case EngineState::Quitting:
            fail("エンジンが quit の後 " + seconds(profile_.quitTimeoutMs) + "終わらないので止めました");
            break;
        default: deadline_.reset(); break;
    }
}

std::string EngineSession::lastLineText() const {
    return lastLine_.empty() ? "エンジンからは何も届いていません" : "最後に届いた行: " + lastLine_;
}

void EngineSession::processEnded(std::int64_t, std::optional<ProcessExit> exit) {
    const EngineState was = state_;
    deadline_.reset();
    pending_.reset();
    queuedOptions_.clear();
    setState(EngineState::Ended);
    if (killed_ || was == EngineState::Quitting || was == EngineState::NotStarted ||
        was == EngineState::Ended)
        return;
    const std::string how = "（" + (exit ? exitText(*exit) + "、" : std::string()) + lastLineText() + "）";
    if (was == EngineState::Starting || was == EngineState::Readying)
        host_.engineFault("エンジンが起動中に終了しました" + how);
    else if (was == EngineState::Searching || was == EngineState::Stopping)
        host_.engineFault("エンジンが探索中に終了しました" + how);
    else
        host_.engineFault("エンジンが終了しました" + how);
}
