#pragma once
// One engine process on Qt Core: it starts the program, carries the lines both ways and runs the
// session's watchdogs on a timer. Nothing here waits: every answer arrives through a signal, so
// the thread that owns it keeps running whatever the engine does.

#include <QElapsedTimer>
#include <QObject>
#include <QProcess>
#include <QString>
#include <QTimer>
#include <memory>
#include <optional>
#include <string>

#include "engine/session.h"

class EngineProcess : public QObject, private EngineSessionHost {
    Q_OBJECT

public:
    // More lines than this in one second is a flood (fairy-stockfish's mate-in-one burst of 245
    // lines in 34 ms is not: it ends at once).
    static constexpr int kFloodLines = 5000;
    // The note given once for such a flood; a window adds how it copes.
    static QString floodNote();

    explicit EngineProcess(QObject *parent = nullptr);
    // Kills a process still running; Qt reaps it.
    ~EngineProcess() override;

    // Starts the engine at `path` with the profile its name calls for, or `profile` when given.
    // A missing or unusable program is reported through fault() and ended(). An engine still
    // running is killed first.
    void start(const QString &path, std::optional<EngineProfile> profile = std::nullopt);
    // What EngineSession does with each request.
    void analyse(const std::string &positionCommand, const UsiGo &go);
    void newGame();
    void stopSearch();
    void setOption(const std::string &name, const std::string &value);
    // Asks the engine to end, killing it when it does not.
    void quit();
    // "gameover win|lose|draw", a search running stopped first.
    void gameOver(const std::string &result);

    EngineState state() const { return session_ ? session_->state() : EngineState::NotStarted; }
    // The session of the engine last started, null before the first start.
    const EngineSession *session() const { return session_.get(); }
    // Whether a process is running now.
    bool running() const { return process_ && process_->state() != QProcess::NotRunning; }
    // The process id of the engine running now, 0 when none is.
    qint64 processId() const { return running() ? process_->processId() : 0; }
    QString path() const { return path_; }

signals:
    void info(const UsiInfo &info);
    void bestMove(const UsiBestMove &best);
    // A fault that ended or will end the engine, in Japanese.
    void fault(const QString &reason);
    // Something odd the engine printed that did not stop it (a line too long, garbage, numbers
    // out of range), at most once of each kind per start.
    void note(const QString &text);
    void engineStateChanged(EngineState state);
    // The process has ended, or never started.
    void ended();

private:
    void sendLine(const std::string &line) override;
    void killProcess() override;
    void searchInfo(const UsiInfo &info) override;
    void searchEnded(const UsiBestMove &best) override;
    void engineFault(const std::string &reason) override;
    void stateChanged(EngineState state) override;

    void readOutput();
    void processFinished();
    void processError(QProcess::ProcessError error);
    // The process has finished (`exit` tells how) or never started: the session hears of it and
    // ended() is sent once.
    void processGone(std::optional<ProcessExit> exit = std::nullopt);
    void tick();
    void noteOnce(bool &given, const QString &text);
    // Counts a line; a second with more than kFloodLines of them is noted.
    void countLine();
    void dropProcess();
    std::int64_t now() const { return clock_.elapsed(); }

    QString path_;
    QProcess *process_ = nullptr;
    std::unique_ptr<EngineSession> session_;
    UsiLineSplitter splitter_;
    QElapsedTimer clock_;
    QTimer watchdog_;
    bool endReported_ = false;
    // Whether this start's process failed to start, which already gave the reason.
    bool faultGiven_ = false;
    bool notedLong_ = false;
    bool notedGarbage_ = false;
    bool notedOverflow_ = false;
    bool notedFlood_ = false;
    // Lines counted since floodWindowStart_, to tell a flood from a burst.
    std::int64_t floodWindowStart_ = 0;
    int floodLines_ = 0;
};
