#pragma once
// One login to a CSA shogi server (protocol 1.2.1 with Floodgate's extensions), without any
// socket: bytes from the server go in, lines for the server come out, and time comes from outside
// in milliseconds on a steady clock, as the USI session does it. The session reads the game's
// conditions, agrees or rejects them, keeps the game and its record from what the server confirms,
// keeps both clocks from the times the server reports, and tells the player when it is to move.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/movegen.h"
#include "engine/profile.h"
#include "engine/usiline.h"
#include "record/gamerecord.h"

// One side's time as the server counts it, in milliseconds.
struct CsaTimeRule {
    std::int64_t unitMs = 1000;  // what one unit of a "T" time stands for
    std::int64_t totalMs = 0;
    std::int64_t byoyomiMs = 0;
    std::int64_t incrementMs = 0;
    std::int64_t leastPerMoveMs = 0;
    bool roundup = false;
    bool operator==(const CsaTimeRule &) const = default;
    // What the server charges for a move thought over `elapsedMs`: whole units, the part of a unit
    // dropped (counted as a whole unit with Time_Roundup), and never less than Least_Time_Per_Move.
    std::int64_t chargeMs(std::int64_t elapsedMs) const;
    // What a move reported with `units` ("T3") takes off the clock: at least Least_Time_Per_Move.
    std::int64_t reportedMs(std::int64_t units) const;
};

// One side's clock as it reads at a moment: the main time left, then the byoyomi left.
struct CsaClockReading {
    std::int64_t mainMs = 0;
    std::int64_t byoyomiMs = 0;
    bool operator==(const CsaClockReading &) const = default;
};

// The conditions of one game, as the Game_Summary block gives them.
struct CsaSummary {
    std::string protocolVersion, protocolMode, format, declaration, gameId;
    std::array<std::string, 2> names;  // sente's first
    Side yourTurn = SENTE;
    Side toMove = SENTE;
    int maxMoves = 0;  // 0: no limit given
    bool rematchOnDraw = false;
    std::array<CsaTimeRule, 2> time;  // sente's first; the same twice unless Time+ and Time- differ
    // The Position block's lines: the position, the side to move and the moves already played.
    std::string position;
};

// Reads the lines between "BEGIN Game_Summary" and "END Game_Summary". Empty on success; otherwise
// why the game cannot be played here, in Japanese.
std::string readCsaSummary(const std::vector<std::string> &lines, CsaSummary &summary);

// "300+10+0" (seconds of time, byoyomi and increment) as a CSA V3.0 record's $TIME holds it.
std::string csaTimeText(const CsaTimeRule &rule);

enum class CsaState {
    Idle,       // not connected yet
    LoggingIn,  // LOGIN sent
    Waiting,    // logged in, waiting for a game (対局待ち)
    Summary,    // reading a Game_Summary block
    Agreeing,   // AGREE sent, waiting for START
    Playing,
    Ending,      // a result line came, its outcome (#WIN, #LOSE, #DRAW) not yet
    LoggingOut,  // LOGOUT sent
    Closed,      // logged out, dropped or failed: nothing more is sent
};

enum class CsaOutcome { None, Win, Lose, Draw, Censored };

// How a game ended, from this player's side.
struct CsaGameEnd {
    // The server's result line ("#RESIGN", "#TIME_UP", ...); empty when the connection was lost.
    std::string reason;
    CsaOutcome outcome = CsaOutcome::None;
    // The winner, when the outcome names one.
    std::optional<Side> winner;
    // The reason in Japanese, for the window and the command line ("投了", "通信が切れました", ...).
    std::string text;
    // The moves of the game, the ones played before it began included.
    int moves = 0;
};

// What the session asks of the connection that carries it and tells the one who watches it.
class CsaSessionHost {
public:
    virtual ~CsaSessionHost() = default;
    // Writes one line (without its end) to the server.
    virtual void sendLine(const std::string &line) = 0;
    // Closes the connection: the session is done with it.
    virtual void closeConnection() = 0;
    // The login ended without a game to finish (refused, dropped, no answer), in Japanese.
    virtual void fault(const std::string &reason) = 0;
    // The local date and time as records write it ("2026/12/08 09:40:00").
    virtual std::string wallClock() = 0;
    virtual void stateChanged(CsaState) {}
    // The game began; the record holds its conditions and the moves played before it.
    virtual void gameStarted() {}
    // The server confirmed a move of either side; it is in the record.
    virtual void movePlayed(const Move &, Side, std::int64_t /*spentMs*/) {}
    // It is this player's move: an engine is asked now (positionCommand, engineGo).
    virtual void ourTurn() {}
    // The game is over and its record closed with the end word.
    virtual void gameEnded(const CsaGameEnd &) {}
    // Something odd the server did that did not end anything.
    virtual void note(const std::string &) {}
    // Every line the server sent, as it is read (for a log).
    virtual void lineRead(const std::string &) {}
};

struct CsaSettings {
    std::string id;
    std::string password;
    // An empty line after this long without sending; 0 for none, else at least 30 s.
    std::int64_t keepAliveMs = 0;
    // Floodgate's reading comments on the engine's moves (",'* score pv").
    bool floodgateComments = false;
    // Taken off the time an engine is told, for the network.
    std::int64_t marginMs = 1000;
    // How long the server may take to answer LOGIN, to finish a Game_Summary, to end a game after
    // %CHUDAN and to answer LOGOUT.
    std::int64_t answerTimeoutMs = 15000;
};

class CsaSession {
public:
    // The keep-alive never goes more often than this.
    static constexpr std::int64_t kMinKeepAliveMs = 30000;

    CsaSession(CsaSettings settings, CsaSessionHost &host);
    CsaSession(const CsaSession &) = delete;
    CsaSession &operator=(const CsaSession &) = delete;

    CsaState state() const { return state_; }
    // The conditions of the game agreed, or being read.
    const CsaSummary &summary() const { return summary_; }
    Side ourSide() const { return summary_.yourTurn; }
    // The game as the server confirmed it, and its record (headers, times, comments, end word).
    const ZnBan &game() const { return game_; }
    const GameRecord &record() const { return record_; }
    // The game's record as a CSA V3.0 text; the password is never in it.
    std::string recordText();
    // Whether a game started on this login, and how it ended (once it has).
    bool gameBegun() const { return begun_; }
    const std::optional<CsaGameEnd> &gameEnd() const { return end_; }
    // Whether this player is to move and may send a move now.
    bool ourTurn() const;

    // The connection is open: sends LOGIN.
    void connected(std::int64_t now);
    // Bytes from the server, in any pieces.
    void bytesReceived(std::string_view bytes, std::int64_t now);
    // One line from the server, without its end.
    void lineReceived(std::string line, std::int64_t now);
    // Sends the keep-alive when due and gives up on a server that does not answer.
    void tick(std::int64_t now);
    // The connection closed or failed.
    void connectionLost(std::int64_t now);
    // When tick next has something to do; empty when nothing waits.
    std::optional<std::int64_t> deadline() const;

    // A person's move: empty when it was sent, else why not (nothing sent).
    std::string play(const Move &move, std::int64_t now);
    // What the engine says during its search (its last scored line goes into the comment).
    void engineInfo(const UsiInfo &info);
    // The engine's answer: its move, 投了 or a declaration. Empty when sent, else why not.
    std::string engineAnswer(const UsiBestMove &best, std::int64_t now);
    // 投了 (%TORYO) and 入玉宣言 (%KACHI) for the player to move; empty when sent.
    std::string resign(std::int64_t now);
    std::string declare(std::int64_t now);
    // 中断 (%CHUDAN): the game ends with no result when the server says so, or once it has not
    // answered in time.
    void abort(std::int64_t now);
    // Logs out (LOGOUT); a game still running is broken off first.
    void logout(std::int64_t now);

    // The position and the search an engine playing here is given: "position sfen ... moves ...",
    // and each side's time from the server's clock. The time gone on the running move comes off
    // this side's time (then its byoyomi); the network margin, and with Time_Roundup the unit a
    // fraction costs, come off its byoyomi, or off its time without one.
    std::string positionCommand() const;
    UsiGo engineGo(std::int64_t now) const;
    // Each side's time left as its turn began.
    std::int64_t remainingMs(Side side) const { return remaining_[side & 1]; }
    // A side's clock at `now`, the running move charged as the server will charge it.
    CsaClockReading clockAt(Side side, std::int64_t now) const;
    // The comment an engine's move carries to the server: "* score pv" (score from sente's view,
    // the reading in CSA moves after the move itself); empty without a scored reading.
    std::string readingComment(const Move &move) const;

private:
    void setState(CsaState state);
    // Whether an empty line goes out after keepAliveMs of silence.
    bool keepingAlive() const;
    void send(const std::string &line, std::int64_t now);
    void fail(const std::string &reason, std::int64_t now);
    void readLoginAnswer(const std::string &line, std::int64_t now);
    void readSummaryLine(const std::string &line, std::int64_t now);
    void agreeOrReject(std::int64_t now);
    void readGameLine(const std::string &line, std::int64_t now);
    // A move line from the server ("+7776FU,T12"); false when it does not fit the game.
    bool readMoveLine(const std::string &line, std::int64_t now);
    void finishGame(std::string reason, CsaOutcome outcome, std::string text, std::int64_t now);
    std::string refusalToMove() const;
    std::string sendMove(const Move &move, const std::string &comment, std::int64_t now);

    CsaSettings settings_;
    CsaSessionHost &host_;
    CsaState state_ = CsaState::Idle;
    UsiLineSplitter splitter_;
    std::vector<std::string> summaryLines_;
    CsaSummary summary_;
    ZnBan game_;
    GameRecord record_{game_};
    std::array<std::int64_t, 2> remaining_{};
    std::int64_t turnStart_ = 0;
    std::int64_t lastSent_ = 0;
    // When the answer the session waits for is overdue; empty when it waits for none.
    std::optional<std::int64_t> answerDue_;
    bool begun_ = false;
    std::optional<CsaGameEnd> end_;
    // Our move sent and not yet confirmed, with its comment for the record.
    std::string moveSent_;
    std::string commentSent_;
    // A special move sent ("%TORYO", "%KACHI", "%CHUDAN"), and the time the server gave one.
    std::string specialSent_;
    std::int64_t endMs_ = -1;
    // The result line waiting for its outcome.
    std::string pendingReason_;
    std::optional<UsiInfo> lastInfo_;
};

// Why `id` and `password` cannot log in to a CSA server (a space, a wrong character, too long); with
// `floodgate`, also why Floodgate would not pair them ("NAME-TOTAL-BYOYOMI[F],trip"). Empty when
// they can.
std::string csaLoginProblem(const std::string &id, const std::string &password, bool floodgate);

// A line as it may be shown or logged: LOGIN's password hidden.
std::string csaLoggableLine(const std::string &line);

// "投了", "時間切れ", "千日手", ... for a result line ("#RESIGN").
std::string csaReasonText(const std::string &reason);
