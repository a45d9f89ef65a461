#pragma once
// A mate of the side to move looked for beside 検討: the solver, on a thread of its own and with a
// small budget, searches each position the 検討 follows, and a mate it proves is told with its line.
// A new position stops the search of the last one at once; the window never waits for it.

#include <QObject>
#include <QString>
#include <atomic>
#include <thread>

#include "core/mate.h"

class QTimer;

class MateWatch : public QObject {
    Q_OBJECT

public:
    explicit MateWatch(const MateLimits &limits, QObject *parent = nullptr);
    ~MateWatch() override;

    // Searches `game`'s position, dropping the search of the last one.
    void follow(const ZnBan &game);
    // Stops the search and forgets the position.
    void stop();
    bool searching() const { return worker_.joinable(); }

signals:
    // "詰みあり 3手：▲５三飛打△４二玉▲４三金打" for a proved mate ("詰みあり 23手（最短とは限りません）：…"
    // when the budget ended before the line was proved shortest), empty when there is none or the
    // budget ran out.
    void answered(const QString &text);

private:
    void poll();
    void halt();

    MateLimits limits_;
    MateSolver solver_;
    ZnBan position_;
    std::thread worker_;
    std::atomic<bool> done_{false};
    MateResult result_;
    QTimer *timer_ = nullptr;
};
