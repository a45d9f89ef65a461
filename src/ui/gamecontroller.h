#pragma once
// A game by the rules, or a series of them, apart from the window: who plays, the start set up in
// the record, the engines' options, the view the game wants, the end and its sentence, the score
// and the folder of a series. Qt Core only: the window draws what it says and locks its commands
// while it runs; a series runner or a network game can stand behind the same signals.

#include <QObject>
#include <QString>
#include <array>
#include <functional>
#include <memory>
#include <optional>

#include "book/bookplay.h"
#include "engine/series.h"
#include "enginehost/gamehost.h"
#include "enginehost/serieshost.h"
#include "ui/gamechoice.h"

class RecordDocument;
struct PositionSpec;

class GameController : public QObject {
    Q_OBJECT

public:
    // The options sent to the engine at a path before the game.
    using EngineOptions = std::function<std::vector<std::pair<std::string, std::string>>(const QString &engine)>;

    GameController(RecordDocument &document, EngineOptions options, QObject *parent = nullptr);
    ~GameController() override;

    // Starts the game (or the series) `choice` describes; false, with the reason told by message(),
    // when one runs already or its start cannot be set up.
    bool start(const GameChoice &choice);
    // Whether a game runs on the board (its engines may still be starting or ending), and the game.
    bool running() const { return host_ != nullptr; }
    // Whether a series runs, on the board or, several games at once, on boards of their own.
    bool seriesRunning() const { return running() || (seriesHost_ && !seriesHost_->isFinished()); }
    // The series running or last run (pairs, score, SPRT); null before any, or after a single game.
    const Series *series() const { return seriesRun_.get(); }
    // The engine of each side of the series' first game (A, then B).
    std::array<QString, 2> seriesEngines() const;
    GameHost *host() const { return host_; }
    // The sentence that announced the last game's end (with the series' score), empty before.
    const QString &lastResult() const { return lastResult_; }
    // The folder the running (or last) series keeps its games in; empty for a single game.
    const QString &seriesFolder() const { return seriesFolder_; }

    // 投了, 入玉宣言 and 中断 for the person to move; the reason when refused, else empty.
    QString resign();
    QString declare();
    QString stop();

    // Whether the board is to be seen from gote's side for a game between `players`: a person
    // playing alone sees it from their own side; otherwise the view stays as it is (nullopt).
    static std::optional<bool> viewFor(const std::array<PlayerChoice, 2> &players);

signals:
    // A game was set up in the record and its engines are starting; the view it wants, if any.
    void begun(GameHost *host, std::optional<bool> turned);
    // The game could not be set up; the record may have changed.
    void beginFailed(const QString &reason);
    // The game's end, as the status bar and (after the last game) the end box say it.
    void ended(const QString &text, bool last);
    // The game is over and its engines are gone; commands the game locked may run again.
    void finished();
    // What the status bar says meanwhile.
    void message(const QString &text);
    // A series began, or one of its games was counted, or it ended: its score and SPRT changed.
    void seriesChanged();

private:
    void begin(const GameChoice &choice);
    QString setUpStart(const GameChoice &choice);
    // Puts the record in the opening of the series game about to start; why not, in Japanese.
    QString setUpSeriesOpening();
    void gameEnded(const GameResult &result);
    void gameFinished();
    QString saveSeriesGame();
    // The start the choice names, as a position (the board's own for kStartHere); why not.
    QString startPosition(const GameChoice &choice, PositionSpec &start);
    // Plays the series several games at once, each on a board of its own, the records in the folder.
    void beginConcurrent(const GameChoice &choice);
    // The status line of a game counted: "第3局 先手の勝ち（A 2勝1敗0分）".
    QString seriesLine(int index, const QString &result) const;

    RecordDocument &document_;
    EngineOptions options_;
    GameHost *host_ = nullptr;
    QString lastResult_;
    // The game or series running: its choice as made (engine A is the choice's sente), the series'
    // runner (pairs, sides, openings, score; none for a single game) and the game it plays now.
    std::unique_ptr<GameChoice> series_;
    std::unique_ptr<Series> seriesRun_;
    std::optional<SeriesGame> seriesGame_;
    QString seriesFolder_;
    // The book the engines open from, read once before the first game, and a single game's seed
    // (a series gives each game its own).
    std::shared_ptr<const Book> book_;
    std::uint64_t bookSeed_ = 0;
    std::unique_ptr<SeriesHost> seriesHost_;
};
