#pragma once
// 詰み探索: the mate solver run on a copy of the position shown, on a thread of its own, with its
// progress, 中止, and the answer: the line in KIF notation, a row a move, steppable with ← →, and
// 分岐として追加 to keep it in the record.

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

    // Searches the position the game shows, stopping a search still running first.
    void start(const ZnBan &game, const MateLimits &limits);
    // Stops the search; its answer (不明 unless it came first) shows at once.
    void stop();
    bool searching() const { return worker_.joinable(); }
    const MateResult &result() const { return result_; }

signals:
    void statusMessage(const QString &text);
    // The player asked for the line to go into the record, from the position whose SFEN is `position`.
    void lineToRecord(const std::string &position, const std::vector<Move> &moves);

protected:
    bool event(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void poll();
    void finish();
    void showAnswer();

    ZnBan position_;
    std::string sfen_;
    MateSolver solver_;
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
