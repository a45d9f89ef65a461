#pragma once
// One engine process's conversation: the protocol state decides what each line and each command
// means. Time comes from outside (milliseconds on any steady clock), so that every watchdog (the
// answers to usi, isready, stop and quit, and the length of a timed search) can be driven without
// waiting.

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "engine/profile.h"
#include "engine/usiline.h"

enum class EngineState {
    NotStarted,
    Starting,  // "usi" sent, waiting for "usiok"
    Readying,  // "isready" sent, waiting for "readyok"
    Idle,
    Searching,
    Stopping,  // "stop" sent, waiting for the old search's "bestmove"
    Quitting,  // "quit" sent, waiting for the process to end
    Ended,     // the process has ended, by itself or by a kill
};

// What a session asks of the process that carries it and tells the one who watches it.
// How an engine process ended: the exit code it gave, or the signal that ended it.
struct ProcessExit {
    bool signalled = false;
    int code = 0;
};

// "終了コード 1" or "シグナル 6 SIGABRT".
std::string exitText(const ProcessExit &exit);

class EngineSessionHost {
public:
    virtual ~EngineSessionHost() = default;
    // Writes one command line to the engine.
    virtual void sendLine(const std::string &line) = 0;
    // Ends the process at once; its exit is then reported through processEnded.
    virtual void killProcess() = 0;
    // An info line of the current search.
    virtual void searchInfo(const UsiInfo &info) = 0;
    // The bestmove that ends the current search.
    virtual void searchEnded(const UsiBestMove &best) = 0;
    // A fault, in Japanese, for the window and the status bar.
    virtual void engineFault(const std::string &reason) = 0;
    // The state changed.
    virtual void stateChanged(EngineState state) = 0;
};

class EngineSession {
public:
    EngineSession(EngineProfile profile, EngineSessionHost &host);

    EngineState state() const { return state_; }
    const EngineProfile &profile() const { return profile_; }
    // The "id name" the engine gave, empty before.
    const std::string &engineName() const { return name_; }
    // The option lines the engine gave, in its order.
    const std::vector<UsiOption> &options() const { return options_; }

    // The process has started: sends "usi".
    void start(std::int64_t now);
    // One line from the engine.
    void lineReceived(const std::string &line, std::int64_t now);
    // Searches `positionCommand` ("position ...") for as long as `go` says: without end until told
    // otherwise, a time per move, or the clocks of a game. The search ends with searchEnded (or, when
    // stopped, with nothing). During a search one "stop" is sent and the new search waits for its
    // bestmove; a later request replaces a waiting one.
    void analyse(const std::string &positionCommand, const UsiGo &go, std::int64_t now);
    // The next search belongs to a new game or analysis run: "usinewgame" goes before it, after a new
    // "isready" answered by "readyok" when the engine was ready already. A session's first search
    // is always a new game's, with no call.
    void newGame(std::int64_t now);
    // Ends the analysis: a running search is stopped and a waiting one forgotten.
    void stop(std::int64_t now);
    // Sets an option now when the engine is idle, else as soon as it is.
    void setOption(const std::string &name, const std::string &value, std::int64_t now);
    // Asks the engine to end; it is killed if it has not ended in time.
    void quit(std::int64_t now);
    // Checks the watchdogs: a timed search that runs far past its time is stopped; any other deadline
    // passed kills the process with a reason that quotes the last line the engine sent.
    // Tells the engine the game is over ("gameover win|lose|draw"), stopping a search first.
    void gameOver(const std::string &result, std::int64_t now);
    void tick(std::int64_t now);
    // The process has ended; a fault is reported unless quit or a kill the session asked for ended it.
    // The reason names how it ended, when known, and quotes the last line it sent.
    void processEnded(std::int64_t now, std::optional<ProcessExit> exit = std::nullopt);
    // When the next watchdog runs out, if one is running.
    std::optional<std::int64_t> deadline() const { return deadline_; }
    // Whether a search waits to be sent.
    bool searchPending() const { return pending_.has_value(); }

private:
    void setState(EngineState state);
    // "最後に届いた行: …", or that nothing came, for a reason the session gives.
    std::string lastLineText() const;
    void becomeIdle(std::int64_t now);
    struct Request {
        std::string positionCommand;
        UsiGo go;
    };
    void startSearch(const Request &request, std::int64_t now);
    void sendStop(std::int64_t now);
    void askReady(std::int64_t now);
    void sendOption(const std::string &name, const std::string &value);
    void fail(const std::string &reason);

    EngineProfile profile_;
    EngineSessionHost &host_;
    EngineState state_ = EngineState::NotStarted;
    std::string name_;
    std::vector<UsiOption> options_;
    std::optional<Request> pending_;
    // Whether "usinewgame" is due before the next search, and whether a new "isready" is due first.
    bool newGameDue_ = true;
    bool readyDue_ = false;
    std::vector<std::pair<std::string, std::string>> queuedOptions_;
    std::optional<std::int64_t> deadline_;
    // The last line the engine sent, shortened, for the reason of a fault.
    std::string lastLine_;
    bool killed_ = false;
};

// How long a search of `go` may run before it is stopped: its own time twice (at least a second more
// than once) and five seconds for a busy machine; nothing for a search without end.
std::optional<std::int64_t> searchLimitMs(const UsiGo &go);

// The state's name for messages and tests.
const char *stateName(EngineState state);
