// A login to a CSA server. The server is the judge and the clock: a move stands when the server
// sends it back with its time, and each side's time left is counted from those times alone.

#include "engine/csasession.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "core/rules.h"
#include "engine/pv.h"
#include "record/csa.h"
#include "record/position.h"

namespace {

bool startsWith(const std::string &text, std::string_view prefix) { return text.rfind(prefix, 0) == 0; }

// A whole number of at most nine digits; false for anything else.
bool readNumber(std::string_view text, std::int64_t &value) {
    if (text.empty() || text.size() > 9) return false;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() && value >= 0;
}

// "1sec", "1min", "1msec", "0.1sec": the milliseconds of one unit; 0 when it cannot be read.
std::int64_t unitOf(std::string_view text) {
    std::size_t digits = 0;
    while (digits < text.size() && ((text[digits] >= '0' && text[digits] <= '9') || text[digits] == '.'))
        ++digits;
    const std::string number(text.substr(0, digits));
    const std::string_view unit = text.substr(digits);
    double factor = 0;
    if (unit == "msec" || unit == "ms") factor = 1;
    if (unit == "sec" || unit == "s") factor = 1000;
    if (unit == "min" || unit == "m") factor = 60000;
    if (factor == 0 || number.empty() || number.size() > 9) return 0;
    char *end = nullptr;
    const double value = std::strtod(number.c_str(), &end);
    if (end != number.c_str() + number.size()) return 0;
    const double ms = value * factor;
    if (!(ms >= 1) || ms > 3600000.0 || std::abs(ms - std::round(ms)) > 1e-6) return 0;
    return static_cast<std::int64_t>(std::round(ms));
}

// The time of a move line ("+7776FU,T12" gives 12 units); -1 when it has none.
std::int64_t timeOfMoveLine(std::string_view line) {
    const std::size_t at = line.find(",T");
    if (at == std::string_view::npos) return -1;
    std::string_view digits = line.substr(at + 2);
    digits = digits.substr(0, digits.find(','));
    std::int64_t value = 0;
    return readNumber(digits, value) ? value : -1;
}

constexpr std::array<std::pair<std::string_view, std::string_view>, 11> REASONS = {{
    {"#RESIGN", "投了"},
    {"#TIME_UP", "時間切れ"},
    {"#SENNICHITE", "千日手"},
    {"#OUTE_SENNICHITE", "連続王手の千日手"},
    {"#ILLEGAL_MOVE", "反則"},
    {"#ILLEGAL_ACTION", "反則"},
    {"#JISHOGI", "持将棋"},
    {"#MAX_MOVES", "最大手数"},
    {"#CENSORED", "打ち切り"},
    {"#CHUDAN", "中断"},
    {"#ABNORMAL", "異常終了"},
}};

// The line without a trailing CR, which some servers send.
std::string withoutCr(std::string line) {
    while (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

}  // namespace

std::string csaReasonText(const std::string &reason) {
    for (const auto &[line, text] : REASONS)
        if (line == reason) return std::string(text);
    return reason.empty() ? "通信が切れました" : reason;
}

std::string csaTimeText(const CsaTimeRule &rule) {
    const auto seconds = [](std::int64_t ms) {
        return ms % 1000 == 0 ? std::to_string(ms / 1000) : std::to_string(ms / 1000) + "." + [&] {
            std::string fraction = std::to_string(1000 + ms % 1000).substr(1);
            while (fraction.back() == '0') fraction.pop_back();
            return fraction;
        }();
    };
    return seconds(rule.totalMs) + "+" + seconds(rule.byoyomiMs) + "+" + seconds(rule.incrementMs);
}

std::int64_t CsaTimeRule::chargeMs(std::int64_t elapsedMs) const {
    const std::int64_t elapsed = std::max<std::int64_t>(0, elapsedMs);
    const std::int64_t units = roundup ? (elapsed + unitMs - 1) / unitMs : elapsed / unitMs;
    return std::max(units * unitMs, leastPerMoveMs);
}

std::int64_t CsaTimeRule::reportedMs(std::int64_t units) const {
    return std::max(units * unitMs, leastPerMoveMs);
}

std::string readCsaSummary(const std::vector<std::string> &lines, CsaSummary &summary) {
    summary = CsaSummary();
    // The raw numbers of the common Time block and of each side's, read in units.
    struct RawTime {
        std::optional<std::string> unit;
        std::optional<std::int64_t> total, byoyomi, increment, least;
        std::optional<bool> roundup;
    };
    std::array<RawTime, 3> raw;  // common, sente, gote
    int block = -1;              // -1 none, 0 Time, 1 Time+, 2 Time-, 3 Position
    bool yourTurn = false, ids = false;
    std::array<bool, 2> named{};
    for (const std::string &line : lines) {
        if (block == 3) {
            if (line == "END Position")
                block = -1;
            else
                summary.position += line + '\n';
            continue;
        }
        if (line == "BEGIN Time" || line == "BEGIN Time+" || line == "BEGIN Time-") {
            block = line.size() == 10 ? 0 : line.back() == '+' ? 1 : 2;
            continue;
        }
        if (line == "END Time" || line == "END Time+" || line == "END Time-") {
            block = -1;
            continue;
        }
        if (line == "BEGIN Position") {
            block = 3;
            continue;
        }
        const std::size_t colon = line.find(':');
        if (colon == std::string::npos) continue;
        const std::string key = line.substr(0, colon), value = line.substr(colon + 1);
        if (block >= 0) {
            RawTime &time = raw[static_cast<std::size_t>(block)];
            std::int64_t number = 0;
            const bool numeric = readNumber(value, number);
            if (key == "Time_Unit") time.unit = value;
            if (key == "Time_Roundup") time.roundup = value == "YES";
            if (key == "Total_Time" || key == "Byoyomi" || key == "Increment" ||
                key == "Least_Time_Per_Move") {
                if (!numeric) return key + " が読めません「" + value.substr(0, 40) + "」";
                (key == "Total_Time"  ? time.total
                 : key == "Byoyomi"   ? time.byoyomi
                 : key == "Increment" ? time.increment
                                      : time.least) = number;
            }
            continue;
        }
        if (key == "Protocol_Version") summary.protocolVersion = value;
        if (key == "Protocol_Mode") summary.protocolMode = value;
        if (key == "Format") summary.format = value;
        if (key == "Declaration") summary.declaration = value;
        if (key == "Game_ID") summary.gameId = value, ids = true;
        if (key == "Name+") summary.names[SENTE] = value, named[SENTE] = true;
        if (key == "Name-") summary.names[GOTE] = value, named[GOTE] = true;
        if (key == "Rematch_On_Draw") summary.rematchOnDraw = value == "YES";
        if (key == "Your_Turn" || key == "To_Move") {
            if (value != "+" && value != "-") return key + " が + でも - でもありません";
            (key == "Your_Turn" ? summary.yourTurn : summary.toMove) = value == "+" ? SENTE : GOTE;
            if (key == "Your_Turn") yourTurn = true;
        }
        if (key == "Max_Moves") {
            std::int64_t moves = 0;
            if (!readNumber(value, moves)) return "Max_Moves が読めません";
            summary.maxMoves = static_cast<int>(moves);
        }
    }
    if (block == 3) return "局面（Position）の終わりがありません";
    if (!ids) return "Game_ID がありません";
    if (!yourTurn) return "Your_Turn がありません";
    if (!named[SENTE] || !named[GOTE]) return "対局者名（Name+、Name-）がありません";
    if (!summary.format.empty() && summary.format != "Shogi 1.0")
        return "知らない対局の形式です「" + summary.format.substr(0, 40) + "」";
    if (!summary.protocolMode.empty() && summary.protocolMode != "Server")
        return "サーバ方式（Protocol_Mode:Server）以外の対局はできません";
    if (summary.position.empty()) return "局面（Position）がありません";
    for (Side side : {SENTE, GOTE}) {
        // A side's own block overrides what the common block says, field by field.
        const RawTime &common = raw[0], &own = raw[1 + side];
        const std::string unitText = own.unit.value_or(common.unit.value_or("1sec"));
        CsaTimeRule &rule = summary.time[side];
        rule.unitMs = unitOf(unitText);
        if (rule.unitMs == 0) return "Time_Unit が読めません「" + unitText.substr(0, 40) + "」";
        const auto field = [&](const std::optional<std::int64_t> RawTime::*member) {
            const std::optional<std::int64_t> value = (own.*member) ? own.*member : common.*member;
            return value.value_or(0) * rule.unitMs;
        };
        rule.totalMs = field(&RawTime::total);
        rule.byoyomiMs = field(&RawTime::byoyomi);
        rule.incrementMs = field(&RawTime::increment);
        rule.leastPerMoveMs = field(&RawTime::least);
        rule.roundup = own.roundup.value_or(common.roundup.value_or(false));
        if (rule.byoyomiMs > 0 && rule.incrementMs > 0) return "秒読みと加算が両方ある対局はできません";
        if (rule.totalMs == 0 && rule.byoyomiMs == 0 && rule.incrementMs == 0)
            return "持ち時間が決まっていない対局はできません";
    }
    return {};
}

std::string csaLoginProblem(const std::string &id, const std::string &password, bool floodgate) {
    if (id.empty()) return "ID がありません";
    if (id.size() > 32) return "ID は32文字までです";
    for (char c : id)
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' ||
              c == '-'))
            return "ID に使えるのは英数字と _ と - だけです";
    if (password.empty()) return "パスワードがありません";
    for (char c : password)
        if (static_cast<unsigned char>(c) <= ' ' || static_cast<unsigned char>(c) >= 0x7F)
            return "パスワードに空白や英数字・記号以外の文字は使えません";
    if (!floodgate) return {};
    // "floodgate-300-10F,trip": the game's name, its time and byoyomi (F: increment), then the trip.
    const std::size_t comma = password.find(',');
    if (comma == std::string::npos || comma + 1 == password.size())
        return "Floodgate のパスワードは「対局名,トリップ」（例: floodgate-300-10F,trip）の形です";
    const std::string game = password.substr(0, comma);
    const std::size_t first = game.find('-'), second = game.find('-', first + 1);
    if (first == std::string::npos || first == 0 || second == std::string::npos ||
        game.find('-', second + 1) != std::string::npos)
        return "Floodgate の対局名は「名前-持ち時間-秒読み」（例: floodgate-300-10F）の形です";
    std::string byoyomi = game.substr(second + 1);
    if (!byoyomi.empty() && byoyomi.back() == 'F') byoyomi.pop_back();
    std::int64_t number = 0;
    if (!readNumber(game.substr(first + 1, second - first - 1), number) || !readNumber(byoyomi, number))
        return "Floodgate の対局名の持ち時間と秒読みは秒の数です（例: floodgate-300-10F）";
    return {};
}

std::string csaLoggableLine(const std::string &line) {
    if (!startsWith(line, "LOGIN ")) return line;
    const std::size_t space = line.find(' ', 6);
    if (space == std::string::npos) return line;
    // Floodgate's game name before the comma is no secret; the rest is.
    const std::size_t comma = line.find(',', space);
    const std::size_t hideFrom = comma == std::string::npos ? space + 1 : comma + 1;
    return line.substr(0, hideFrom) + "********";
}

CsaSession::CsaSession(CsaSettings settings, CsaSessionHost &host)
    : settings_(std::move(settings)), host_(host) {
    if (settings_.keepAliveMs > 0) settings_.keepAliveMs = std::max(settings_.keepAliveMs, kMinKeepAliveMs);
}

void CsaSession::setState(CsaState state) {
    if (state == state_) return;
    state_ = state;
    host_.stateChanged(state);
}

void CsaSession::send(const std::string &line, std::int64_t now) {
    lastSent_ = now;
    host_.sendLine(line);
}

void CsaSession::fail(const std::string &reason, std::int64_t now) {
    if (state_ == CsaState::Closed) return;
    if (state_ == CsaState::Playing || state_ == CsaState::Ending)
        finishGame({}, CsaOutcome::None, reason, now);
    answerDue_.reset();
    setState(CsaState::Closed);
    host_.fault(reason);
    host_.closeConnection();
}

void CsaSession::connected(std::int64_t now) {
    if (state_ != CsaState::Idle) return;
    if (const std::string problem = csaLoginProblem(settings_.id, settings_.password, false);
        !problem.empty())
        return fail(problem, now);
    setState(CsaState::LoggingIn);
    answerDue_ = now + settings_.answerTimeoutMs;
    send("LOGIN " + settings_.id + " " + settings_.password, now);
}

void CsaSession::bytesReceived(std::string_view bytes, std::int64_t now) {
    splitter_.feed(bytes, [&](std::string &&line) { lineReceived(std::move(line), now); });
}

void CsaSession::lineReceived(std::string line, std::int64_t now) {
    line = withoutCr(std::move(line));
    host_.lineRead(line);
    switch (state_) {
        case CsaState::LoggingIn: return readLoginAnswer(line, now);
        case CsaState::Waiting:
            if (line == "BEGIN Game_Summary") {
                summaryLines_.clear();
                answerDue_ = now + settings_.answerTimeoutMs;
                setState(CsaState::Summary);
            }
            return;
        case CsaState::Summary: return readSummaryLine(line, now);
        case CsaState::Agreeing:
            if (line == "START:" + summary_.gameId || startsWith(line, "START:")) {
                setState(CsaState::Playing);
                begun_ = true;
                turnStart_ = now;
                record_.notes().setHeader("開始日時", host_.wallClock());
                host_.gameStarted();
                if (ourTurn()) host_.ourTurn();
            } else if (startsWith(line, "REJECT:")) {
                // The other side would not play: wait for the next game.
                host_.note("相手が対局を拒否しました");
                setState(CsaState::Waiting);
            }
            return;
        case CsaState::Playing:
        case CsaState::Ending: return readGameLine(line, now);
        case CsaState::LoggingOut:
            if (startsWith(line, "LOGOUT:")) {
                answerDue_.reset();
                setState(CsaState::Closed);
                host_.closeConnection();
            }
            return;
        case CsaState::Idle:
        case CsaState::Closed: return;
    }
}

void CsaSession::readLoginAnswer(const std::string &line, std::int64_t now) {
    if (line == "LOGIN:" + settings_.id + " OK") {
        answerDue_.reset();
        setState(CsaState::Waiting);
    } else if (line == "LOGIN:incorrect") {
        fail("ログインできません（ID かパスワードが違います）", now);
    } else if (startsWith(line, "LOGIN:")) {
        fail("ログインできません（サーバの返事: " + line.substr(0, 60) + "）", now);
    }
}

void CsaSession::readSummaryLine(const std::string &line, std::int64_t now) {
    if (line != "END Game_Summary") {
        // A summary that never ends is a broken server, not a long game.
        if (summaryLines_.size() > 10000) return fail("対局条件が長すぎます", now);
        summaryLines_.push_back(line);
        return;
    }
    answerDue_.reset();
    agreeOrReject(now);
}

void CsaSession::agreeOrReject(std::int64_t now) {
    std::string problem = readCsaSummary(summaryLines_, summary_);
    RecordNotes notes;
    if (problem.empty()) {
        if (const RecordResult read = readCsa(game_, notes, summary_.position); !read.ok)
            problem = "局面が読めません: " + read.reason;
    }
    if (problem.empty() && !rulesProblem(game_).empty())
        problem = "局面をルールで判定できません: " + rulesProblem(game_);
    if (!problem.empty()) {
        send("REJECT", now);
        return fail("対局条件を受けられません: " + problem, now);
    }
    // The moves already played count against each side's time as the server reports them.
    for (Side side : {SENTE, GOTE}) remaining_[side] = summary_.time[side].totalMs;
    {
        Side mover = SENTE;
        for (std::size_t at = 0; at < summary_.position.size();) {
            const std::size_t end = summary_.position.find('\n', at);
            const std::string_view line(summary_.position.data() + at, end - at);
            at = end + 1;
            if (line.size() == 1 && (line[0] == '+' || line[0] == '-')) mover = line[0] == '+' ? SENTE : GOTE;
            if (line.size() < 7 || (line[0] != '+' && line[0] != '-')) continue;
            const std::int64_t units = timeOfMoveLine(line);
            const CsaTimeRule &rule = summary_.time[mover];
            if (units >= 0)
                remaining_[mover] =
                    std::max<std::int64_t>(0, remaining_[mover] + rule.incrementMs - rule.reportedMs(units));
            mover = otherSide(mover);
        }
    }
    // The record: both names, the game's ID, its time control and the moves played before it.
    for (std::int64_t &ms : notes.moveMs)
        if (ms >= 0) ms = ms * summary_.time[SENTE].unitMs / 1000;
    notes.headers.clear();
    notes.setHeader("先手", summary_.names[SENTE]);
    notes.setHeader("後手", summary_.names[GOTE]);
    notes.setHeader("棋戦", summary_.gameId);
    if (summary_.time[SENTE] == summary_.time[GOTE]) {
        notes.setHeader("持ち時間", csaTimeText(summary_.time[SENTE]));
    } else {
        notes.setHeader("先手持ち時間", csaTimeText(summary_.time[SENTE]));
        notes.setHeader("後手持ち時間", csaTimeText(summary_.time[GOTE]));
    }
    if (summary_.maxMoves > 0) notes.setHeader("最大手数", std::to_string(summary_.maxMoves));
    notes.tree = RecordTree();
    record_.reset(std::move(notes));
    record_.goToEnd();
    end_.reset();
    begun_ = false;
    moveSent_.clear();
    specialSent_.clear();
    pendingReason_.clear();
    endMs_ = -1;
    lastInfo_.reset();
    setState(CsaState::Agreeing);
    send("AGREE", now);
}

bool CsaSession::ourTurn() const {
    return state_ == CsaState::Playing && game_.turn() == ourSide() && moveSent_.empty() &&
           specialSent_.empty();
}

void CsaSession::readGameLine(const std::string &line, std::int64_t now) {
    if (line.empty()) return;  // the server's answer to a keep-alive
    if (line[0] == '+' || line[0] == '-') {
        if (state_ != CsaState::Playing) return;
        if (!readMoveLine(line, now))
            fail("サーバの指し手が盤面と合いません「" + line.substr(0, 40) + "」", now);
        return;
    }
    if (line[0] == '%') {
        // The server repeats a special move ("%TORYO", "%KACHI,T3"): its time is the end word's.
        const std::int64_t units = timeOfMoveLine(line);
        if (units >= 0) endMs_ = units * summary_.time[game_.turn()].unitMs;
        return;
    }
    if (line[0] != '#') {
        host_.note("サーバから知らない行が来ました「" + line.substr(0, 40) + "」");
        return;
    }
    if (line == "#WIN" || line == "#LOSE" || line == "#DRAW" || line == "#CENSORED") {
        const CsaOutcome outcome = line == "#WIN"    ? CsaOutcome::Win
                                   : line == "#LOSE" ? CsaOutcome::Lose
                                   : line == "#DRAW" ? CsaOutcome::Draw
                                                     : CsaOutcome::Censored;
        std::string reason = pendingReason_.empty() ? line : pendingReason_;
        const std::string text = csaReasonText(reason);
        return finishGame(std::move(reason), outcome, text, now);
    }
    if (line == "#CHUDAN") return finishGame(line, CsaOutcome::None, csaReasonText(line), now);
    pendingReason_ = line;
    setState(CsaState::Ending);
}

bool CsaSession::readMoveLine(const std::string &line, std::int64_t now) {
    const std::string word = line.substr(0, line.find(','));
    const Side mover = word[0] == '+' ? SENTE : GOTE;
    if (mover != game_.turn()) return false;
    Move move;
    if (!readCsaMove(game_, word, move).empty() || checkMove(game_, move) != Refusal::None) return false;
    if (mover == ourSide() && !moveSent_.empty() && word != moveSent_) return false;
    const std::int64_t units = std::max<std::int64_t>(0, timeOfMoveLine(line));
    const CsaTimeRule &rule = summary_.time[mover];
    // The record keeps the time the server reported; the clock, what that time costs.
    const std::int64_t spent = rule.reportedMs(units);
    remaining_[mover] = std::max<std::int64_t>(0, remaining_[mover] + rule.incrementMs - spent);
    GameRecord &record = record_;
    if (!record.play(Move{move.from, move.to, move.promote, move.dropKind}).empty()) return false;
    record.setMs(units * rule.unitMs);
    if (mover == ourSide() && !commentSent_.empty()) record.setComments({commentSent_});
    if (mover == ourSide()) moveSent_.clear(), commentSent_.clear();
    turnStart_ = now;
    host_.movePlayed(move, mover, spent);
    if (ourTurn()) host_.ourTurn();
    return true;
}

void CsaSession::finishGame(std::string reason, CsaOutcome outcome, std::string text, std::int64_t now) {
    if (end_) return;
    CsaGameEnd end;
    end.reason = reason;
    end.outcome = outcome;
    if (outcome == CsaOutcome::Win) end.winner = ourSide();
    if (outcome == CsaOutcome::Lose) end.winner = otherSide(ourSide());
    end.text = std::move(text);
    end.moves = static_cast<int>(game_.history().size());
    // The end word the record keeps, seen from the side to move.
    const Side turn = game_.turn();
    std::string kif = "中断", csa;
    if (reason == "#RESIGN") kif = "投了";
    if (reason == "#TIME_UP") kif = "切れ負け";
    if (reason == "#SENNICHITE") kif = "千日手";
    if (reason == "#MAX_MOVES") kif = "最大手数";
    if (reason == "#JISHOGI") kif = specialSent_ == "%KACHI" || end.winner == turn ? "入玉勝ち" : "持将棋";
    if (reason == "#ILLEGAL_MOVE" || reason == "#ILLEGAL_ACTION" || reason == "#OUTE_SENNICHITE") {
        const Side loser = end.winner ? otherSide(*end.winner) : turn;
        kif = loser == turn ? "反則負け" : "反則勝ち";
        csa = loser == SENTE ? "%+ILLEGAL_ACTION" : "%-ILLEGAL_ACTION";
    }
    GameRecord &record = record_;
    record.goToEnd();
    record.setEndWord(kif, endMs_);
    record_.notes().csaEndWord = csa;
    record_.notes().setHeader("終了日時", host_.wallClock());
    end_ = end;
    pendingReason_.clear();
    moveSent_.clear();
    // After the game the server may close at once; a LOGOUT is still owed when it does not.
    if (state_ == CsaState::Playing || state_ == CsaState::Ending) setState(CsaState::Waiting);
    answerDue_.reset();
    host_.gameEnded(end);
    (void)now;
}

std::string CsaSession::refusalToMove() const {
    if (state_ != CsaState::Playing) return "対局中ではありません";
    if (game_.turn() != ourSide()) return "相手の手番です";
    if (!moveSent_.empty() || !specialSent_.empty()) return "サーバの返事を待っています";
    return {};
}

std::string CsaSession::sendMove(const Move &move, const std::string &comment, std::int64_t now) {
    const std::string word = csaMoveWord(game_, move);
    if (word.empty()) return "指せない手です";
    moveSent_ = word;
    commentSent_ = comment;
    send(comment.empty() ? word : word + ",'" + comment, now);
    return {};
}

std::string CsaSession::play(const Move &move, std::int64_t now) {
    if (std::string refused = refusalToMove(); !refused.empty()) return refused;
    if (const Refusal refusal = checkMove(game_, move); refusal != Refusal::None) return refusalText(refusal);
    return sendMove(move, {}, now);
}

void CsaSession::engineInfo(const UsiInfo &info) {
    if (info.score && !info.pv.empty() && info.multipv.value_or(1) == 1) lastInfo_ = info;
}

std::string CsaSession::readingComment(const Move &move) const {
    if (!lastInfo_ || !lastInfo_->score) return {};
    const SenteScore score = senteView(*lastInfo_->score, game_.turn());
    std::int64_t value = score.value;
    if (score.mate) value = score.senteWins ? 100000 : -100000;
    std::string text = "* " + std::to_string(value);
    ZnBan scratch;
    if (!buildGame(scratch, positionOf(game_)).empty()) return text;
    std::vector<std::string> pv = lastInfo_->pv;
    // The reading begins with the move itself, which the server's record holds already.
    const std::optional<Move> first = readUsiMoveWord(pv.front());
    if (!first || first->from != move.from || first->to != move.to || first->promote != move.promote)
        return text;
    for (std::size_t i = 0; i < pv.size() && i < 64; ++i) {
        const std::optional<Move> read = readUsiMoveWord(pv[i]);
        if (!read) break;
        const Move &next = *read;
        if (checkMove(scratch, next) != Refusal::None) break;
        if (i > 0) text += " " + csaMoveWord(scratch, next);
        if (!applyMove(scratch, next)) break;
    }
    return text;
}

std::string CsaSession::engineAnswer(const UsiBestMove &best, std::int64_t now) {
    if (std::string refused = refusalToMove(); !refused.empty()) return refused;
    if (best.resign) return resign(now);
    if (best.win) return declare(now);
    const std::optional<Move> read = readUsiMoveWord(best.move);
    const Move move = read.value_or(Move{});
    if (!read || checkMove(game_, move) != Refusal::None) {
        // The server would call it a foul and end the game: resigning says the same honestly.
        resign(now);
        return "エンジンの指し手が反則です「" + best.move.substr(0, 20) + "」: 投了しました";
    }
    const std::string comment = settings_.floodgateComments ? readingComment(move) : std::string();
    lastInfo_.reset();
    return sendMove(move, comment, now);
}

std::string CsaSession::resign(std::int64_t now) {
    if (std::string refused = refusalToMove(); !refused.empty()) return refused;
    specialSent_ = "%TORYO";
    send(specialSent_, now);
    return {};
}

std::string CsaSession::declare(std::int64_t now) {
    if (std::string refused = refusalToMove(); !refused.empty()) return refused;
    specialSent_ = "%KACHI";
    send(specialSent_, now);
    return {};
}

void CsaSession::abort(std::int64_t now) {
    if (state_ != CsaState::Playing && state_ != CsaState::Ending) return;
    specialSent_ = "%CHUDAN";
    send(specialSent_, now);
    answerDue_ = now + settings_.answerTimeoutMs;
}

void CsaSession::logout(std::int64_t now) {
    if (state_ == CsaState::Idle) {
        setState(CsaState::Closed);
        return;
    }
    if (state_ == CsaState::Closed || state_ == CsaState::LoggingOut) return;
    if (state_ == CsaState::Playing || state_ == CsaState::Ending)
        finishGame("#CHUDAN", CsaOutcome::None, "中断", now);
    setState(CsaState::LoggingOut);
    answerDue_ = now + settings_.answerTimeoutMs;
    send("LOGOUT", now);
}

void CsaSession::connectionLost(std::int64_t now) {
    switch (state_) {
        case CsaState::Closed: return;
        case CsaState::LoggingOut:
        case CsaState::Idle:
            answerDue_.reset();
            setState(CsaState::Closed);
            return;
        case CsaState::LoggingIn: return fail("ログインの途中でサーバが接続を切りました", now);
        case CsaState::Playing:
        case CsaState::Ending:
            if (specialSent_ != "%CHUDAN") return fail("通信が切れました", now);
            // The server ended the login on our %CHUDAN: what was asked for.
            finishGame("#CHUDAN", CsaOutcome::None, "中断", now);
            answerDue_.reset();
            setState(CsaState::Closed);
            return;
        case CsaState::Waiting:
            // After a game the server ends the login itself.
            if (end_) {
                setState(CsaState::Closed);
                return;
            }
            [[fallthrough]];
        case CsaState::Summary:
        case CsaState::Agreeing: return fail("サーバが接続を切りました", now);
    }
}

bool CsaSession::keepingAlive() const {
    return settings_.keepAliveMs > 0 &&
           (state_ == CsaState::Waiting || state_ == CsaState::Summary || state_ == CsaState::Agreeing ||
            state_ == CsaState::Playing || state_ == CsaState::Ending);
}

std::optional<std::int64_t> CsaSession::deadline() const {
    std::optional<std::int64_t> due = answerDue_;
    if (keepingAlive()) {
        const std::int64_t keepAlive = lastSent_ + settings_.keepAliveMs;
        due = due ? std::min(*due, keepAlive) : keepAlive;
    }
    return due;
}

void CsaSession::tick(std::int64_t now) {
    if (answerDue_ && now >= *answerDue_) {
        answerDue_.reset();
        switch (state_) {
            case CsaState::LoggingIn: return fail("サーバが応答しません（ログインの返事がありません）", now);
            case CsaState::Summary: return fail("サーバが応答しません（対局条件が途中で止まりました）", now);
            case CsaState::Playing:
            case CsaState::Ending:
                // The server did not end the game after %CHUDAN: it ends here, and the login with it.
                finishGame("#CHUDAN", CsaOutcome::None, "中断", now);
                return logout(now);
            case CsaState::LoggingOut:
                setState(CsaState::Closed);
                host_.closeConnection();
                return;
            default: break;
        }
    }
    if (keepingAlive() && now >= lastSent_ + settings_.keepAliveMs) send("", now);
}

std::string CsaSession::positionCommand() const { return lineCommand(game_); }

CsaClockReading CsaSession::clockAt(Side side, std::int64_t now) const {
    const CsaTimeRule &rule = summary_.time[side & 1];
    CsaClockReading reading{remaining_[side & 1], rule.byoyomiMs};
    // The server gives no time with #TIME_UP: the side to move had none left.
    if (end_ && end_->reason == "#TIME_UP" && side == game_.turn()) return {};
    if (side != game_.turn() || (state_ != CsaState::Playing && state_ != CsaState::Ending)) return reading;
    // The main time runs first, then the byoyomi.
    reading.mainMs -= rule.chargeMs(now - turnStart_);
    if (reading.mainMs < 0) reading.byoyomiMs = std::max<std::int64_t>(0, reading.byoyomiMs + reading.mainMs);
    reading.mainMs = std::max<std::int64_t>(0, reading.mainMs);
    return reading;
}

UsiGo CsaSession::engineGo(std::int64_t now) const {
    const Side side = game_.turn();
    const CsaTimeRule &rule = summary_.time[side];
    std::array<std::int64_t, 2> time = remaining_;
    // The server's deadline is the moment itself, not its charge: the time gone comes off whole.
    std::int64_t byoyomi = rule.byoyomiMs;
    time[side] -= std::max<std::int64_t>(0, now - turnStart_);
    if (time[side] < 0) byoyomi = std::max<std::int64_t>(0, byoyomi + time[side]);
    time[side] = std::max<std::int64_t>(0, time[side]);
    // A move that ends inside the last unit is charged the whole of it when the server rounds up.
    const std::int64_t safety = settings_.marginMs + (rule.roundup ? rule.unitMs : 0);
    // USI has no word for a byoyomi on one side and an increment on the other: such a side is told
    // of its main time alone.
    const bool increments = summary_.time[SENTE].incrementMs > 0 || summary_.time[GOTE].incrementMs > 0;
    if (rule.byoyomiMs > 0 && !increments)
        byoyomi = std::max<std::int64_t>(0, byoyomi - safety);
    else
        time[side] = std::max<std::int64_t>(0, time[side] - safety);
    return UsiGo::clocks(time[SENTE], time[GOTE], increments ? 0 : byoyomi,
                         increments ? summary_.time[SENTE].incrementMs : 0,
                         increments ? summary_.time[GOTE].incrementMs : 0);
}

std::string CsaSession::recordText() { return writeCsa(game_, record_.notes()); }
