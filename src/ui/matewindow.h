#pragma once
// 詰み探索: the mate solver run on a copy of the position shown, on a thread of its own, with its
// progress, 中止, and the answer: the line in KIF notation, a row a move, steppable with ← → (the
// main board showing the position after the row's move), and 分岐として追加 to keep it in the
// record. An engine marked for mates may answer instead of the solver, by "go mate".

#include <QString>
#include <QWidget>
#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "core/mate.h"
#include "record/play.h"

class QLabel;
class QListWidget;
class QPushButton;
class QTimer;

class TMateWindow : public QWidget {
    Q_OBJECT

public:
    explicit TMateWindow(QWidget *parent = nullptr);
    ~TMateWindow() override;

    // Searches the position the game shows, stopping a search still running first; with `engine`,
    // the engine at that path is asked by "go mate" for the time of the limits, its line checked
    // move by move.
    void start(const ZnBan &game, const MateLimits &limits, const QString &engine = {});
    // Stops the search; its answer (不明 unless it came first) shows at once.
    void stop();
    bool searching() const { return worker_.joinable(); }
    const MateResult &result() const { return result_; }
    // The row of the line whose position the board shows, -1 while it shows the record's.
    int shownRow() const { return shownRow_; }
    // The board went back to the record by itself (a press, the record moved): the line no longer
    // shows there.
    void lineLeft() { shownRow_ = -1; }

signals:
    void statusMessage(const QString &text);
    // The player asked for the line to go into the record, from the position whose SFEN is `position`.
    void lineToRecord(const std::string &position, const std::vector<Move> &moves);
    // The board is to show `position`, reached by the line up to the row stepped to.
    void showPosition(const ZnBan &position);
    // The board is to show the record's position again.
    void leaveLine();

protected:
    bool event(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void poll();
    void finish();
    void showAnswer();
    void showRow(int row);
    void leave();

    ZnBan position_;
    std::string sfen_;
    MateSolver solver_;
    // The engine asked instead of the solver, empty for the solver; its stop, seen by its thread.
    QString engine_;
    std::atomic<bool> engineStop_{false};
    std::string engineFault_;
    int shownRow_ = -1;
    ZnBan stepped_;
    std::thread worker_;
    std::atomic<bool> done_{false};
    MateResult result_;
    std::chrono::steady_clock::time_point started_;
    QTimer *timer_ = nullptr;
    QLabel *state_ = nullptr;
    QListWidget *line_ = nullptr;
    QPushButton *stop_ = nullptr;
    QPushButton *addBranch_ = nullptr;
};
