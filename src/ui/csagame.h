#pragma once
// 通信対局: a game on a CSA server shown on the main window's board. This small window beside it
// carries the state (接続中, 対局待ち, 対局中, the result), both sides' names and the server's
// clock, and the buttons 投了, 入玉宣言, 中断 and 中止. The server is the judge: the board shows
// what the server confirmed, so the record is always the server's, and it is saved in the chosen
// folder when the game ends, whatever ended it.

#include <QPointer>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <array>
#include <memory>

#include "ui/csadialog.h"

class CsaClient;
class EngineProcess;
class QLabel;
class QPushButton;
class TZnMainForm;
struct CsaGameEnd;

class CsaGameWindow : public QWidget {
    Q_OBJECT

public:
    explicit CsaGameWindow(TZnMainForm &form);
    ~CsaGameWindow() override;

    // Adds 実行 > 通信対局… (Ctrl+Shift+G) to the main window and makes the window that runs it.
    static void install(TZnMainForm &form);
    // The dialog, then the login it asks for.
    void ask();
    // Logs in with `choice` (after starting its engine) for its number of games.
    void start(const CsaChoice &choice);

    // Whether a login or its engine's start is under way.
    bool active() const;
    // Whether a game runs, so that presses on the board go to it.
    bool playing() const;
    // Whether the stands ignore presses: a game runs and it is not the person's move.
    bool locksStands() const;
    // A left press on the board during the game.
    void press(int x, int y);
    // 投了, 入玉宣言, 中断 (during a game) and 中止 (before one).
    void resign();
    void declare();
    void stop();
    void cancel();

    // What the window shows, for tests and the status bar.
    QString stateText() const;
    QString clockText(int side) const;
    // The path the last game was saved to; empty before.
    const QString &lastSaved() const { return lastSaved_; }

private:
    void login();
    void stateChanged();
    void showClock();
    // The main window's record made the server's game again.
    void syncRecord();
    void gameOver(const CsaGameEnd &end);
    void failed(const QString &reason);
    void finished();
    // After the last game, or when the series stops: the engine goes and the window is free again.
    void wrapUp();
    void save();
    void setState(const QString &text, bool statusBar = true);
    void enableButtons();

    TZnMainForm &form_;
    CsaChoice choice_;
    std::unique_ptr<EngineProcess> engine_;
    CsaClient *client_ = nullptr;
    bool engineStarting_ = false;
    // The series' next login waits a moment after the last game.
    bool nextLoginDue_ = false;
    bool cancelled_ = false;
    bool gameSaved_ = false;
    int gamesLeft_ = 0;
    int gamesPlayed_ = 0;
    QString lastSaved_;
    QString result_;
    QTimer clock_;
    QLabel *state_ = nullptr;
    std::array<QLabel *, 2> names_{};
    std::array<QLabel *, 2> times_{};
    QPushButton *resign_ = nullptr, *declare_ = nullptr, *stop_ = nullptr, *cancel_ = nullptr;
};
