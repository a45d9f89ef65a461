#pragma once
// The games of a series on Qt's event loop: as many at once as the series allows, each a GameHost
// with clocks of its own on a board of its own, set up from its opening; each record kept in the
// folder under the name the series gives it. The series decides everything else.

#include <QObject>
#include <QString>
#include <array>
#include <memory>
#include <vector>

#include "engine/series.h"
#include "enginehost/gamehost.h"

class SeriesHost : public QObject {
    Q_OBJECT

public:
    // `engines`: A and B. `settings`: the time (A's first, then B's, each kept on whichever side its
    // engine plays), the move limit, the rules and the book of every game; names, start date and the
    // book's seed are filled per game. `folder`: where records go, empty for nowhere. The series must
    // outlive the host.
    SeriesHost(Series &series, std::array<PlayerChoice, 2> engines, GameSettings settings, QString folder,
               QObject *parent = nullptr);
    ~SeriesHost() override;

    // Starts the first games.
    void start();
    // Stops the series: no new game, and those running end with no result.
    void stop();
    bool isFinished() const { return finished_; }
    // Whether a record could not be written.
    bool saveFailed() const { return saveFailed_; }

signals:
    // A game has ended and been counted (and saved).
    void gameFinished(const SeriesEntry &entry);
    // A game could not start; `again` when it will be played later.
    void startFailed(int index, const QString &reason, bool again);
    // Something an engine did that did not end its game, or a record that could not be written.
    void note(int index, const QString &text);
    // No game runs and none will start.
    void finished();

private:
    struct Game;
    void fill();
    void begin(const SeriesGame &plan);
    void gameOver(Game *game);
    QString save(Game &game);

    Series &series_;
    std::array<PlayerChoice, 2> engines_;
    GameSettings settings_;
    QString folder_;
    std::vector<std::unique_ptr<Game>> running_;
    bool finished_ = false;
    bool saveFailed_ = false;
    // No game starts before this time (ms since the epoch).
    static constexpr qint64 kRetryPauseMs = 5000;
    qint64 pauseUntil_ = 0;
};
