#pragma once
// 対局時計: a window of its own beside the main window with each side's name, the 持ち時間 left and
// the 秒読み counting down, the side to move marked. It reads the game's clock ten times a second;
// the clock itself runs on the monotonic time, so a slow redraw costs nobody anything.

#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <array>

#include "enginehost/gamehost.h"

class QLabel;

class TClockWindow : public QWidget {
    Q_OBJECT

public:
    explicit TClockWindow(QWidget *parent = nullptr);

    // Shows the clock of `host`'s game from now on; null keeps the last reading still.
    void follow(const GameHost *host);
    // Reads the clock again.
    void refresh();
    // Follows no game and shows no time: a new record has no clock yet.
    void clear();
    // The side marked as to move; -1 when the game is not running.
    int markedSide() const { return marked_; }
    // The texts of `side`'s panel: name, time left and 秒読み.
    QString nameText(Side side) const;
    QString timeText(Side side) const;
    QString byoyomiText(Side side) const;

private:
    struct Panel {
        QWidget *frame = nullptr;
        QLabel *name = nullptr;
        QLabel *time = nullptr;
        QLabel *byoyomi = nullptr;
    };
    void mark(int side);

    std::array<Panel, 2> panels_;
    QPointer<const GameHost> host_;
    QTimer timer_;
    int marked_ = -1;
};

// "1:02:03" or "9:58" for a time left, counted down to the whole second shown.
QString clockText(std::int64_t ms);
