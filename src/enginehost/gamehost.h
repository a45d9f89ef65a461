#pragma once
// A game by the rules on Qt's event loop: the referee on a monotonic clock, a timer for the flag of
// the side to move, and an engine process for each side an engine plays. The window and the match
// runner drive it; it never waits, and when the game is over it ends every engine it started.

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>
#include <array>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "engine/referee.h"
#include "enginehost/engineprocess.h"

// Who plays one side.
struct PlayerChoice {
    // The engine's program; empty for a person.
    QString engine;
    // The options the user set for it, sent after its profile's.
    std::vector<std::pair<std::string, std::string>> options;
    // A profile to use instead of the one its name calls for (tests).
    std::optional<EngineProfile> profile;
    bool person() const { return engine.isEmpty(); }
};

class GameHost : public QObject {
    Q_OBJECT

public:
    // Plays into `record`, which must outlive the host, from the position its game stands in.
    // Names in `settings` are replaced by the engines' own names; each engine's margin comes from
    // its profile.
    GameHost(GameRecord &record, GameSettings settings, std::array<PlayerChoice, 2> players,
             QObject *parent = nullptr);
    // Kills any engine still running.
    ~GameHost() override;

    // Starts the engines; the clock starts once every engine is ready (at once without engines).
    void start();
    bool started() const { return referee_ != nullptr; }
    bool over() const { return referee_ != nullptr && referee_->over(); }
    // Whether the game is over and no engine is left running (or it could not start).
    bool isFinished() const { return finished_; }
    bool isPerson(Side side) const { return players_[side & 1].person(); }
    // Whether a person is to move in a game that runs.
    bool personToMove() const { return started() && !over() && isPerson(referee_->toMove()); }
    // The referee, null until the game starts.
    const GameReferee *referee() const { return referee_.get(); }
    const std::array<std::string, 2> &names() const { return settings_.names; }
    // Milliseconds since the host was made, on the monotonic clock the referee runs on.
    std::int64_t now() const { return clock_.elapsed(); }

    // A person's move for the side to move: empty when it stands, else why not (nothing changes).
    QString play(const Move &move);
    // The person to move resigns, or declares (入玉宣言).
    QString resign();
    QString declare();
    // 中断: the game ends with no result.
    void stop();

signals:
    // The clock runs: the first turn has begun.
    void gameStarted();
    // A move was played (by either side).
    void movePlayed();
    // The game is over; the engines are being ended.
    void gameOver(const GameResult &result);
    // An engine could not be started; no game was played.
    void startFailed(const QString &reason);
    // Everything is over and no engine runs any longer.
    void finished();
    // Something odd an engine did that did not end the game.
    void note(const QString &text);

private:
    void engineStateChanged(Side side, EngineState state);
    void engineBestMove(Side side, const UsiBestMove &best);
    void engineFault(Side side, const QString &reason);
    void engineEnded(Side side);
    void beginGame();
    // After anything that may have changed the turn or ended the game.
    void advance();
    void nextTurn();
    void armFlag();
    void flagTimeout();
    void endEngines();
    void checkFinished();
    QString refusalForPerson() const;

    GameRecord &record_;
    GameSettings settings_;
    std::array<PlayerChoice, 2> players_;
    std::array<std::unique_ptr<EngineProcess>, 2> engines_;
    std::array<bool, 2> ready_{};
    std::unique_ptr<GameReferee> referee_;
    QElapsedTimer clock_;
    QTimer flag_;
    bool ending_ = false;
    bool finished_ = false;
    QString startFault_;
};
