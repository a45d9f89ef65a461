#include "ui/clockwindow.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

QString clockText(std::int64_t ms) {
    // A clock shows the second it is in: 9.2 s left reads 0:10, and 0 only when none is left.
    const std::int64_t seconds = (std::max<std::int64_t>(ms, 0) + 999) / 1000;
    if (seconds >= 3600)
        return QStringLiteral("%1:%2:%3")
            .arg(seconds / 3600)
            .arg(seconds % 3600 / 60, 2, 10, QLatin1Char('0'))
            .arg(seconds % 60, 2, 10, QLatin1Char('0'));
    return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

TClockWindow::TClockWindow(QWidget *parent) : QWidget(parent, Qt::Tool) {
    setObjectName(QStringLiteral("ClockWindow"));
    setWindowTitle(QStringLiteral("対局時計"));
    auto layout = new QHBoxLayout(this);
    // Tight margins: at 200 % on a 1280 x 1024 screen the clock fits below the main window this way,
    // and any taller it covers the board or the status bar.
    layout->setContentsMargins(4, 4, 4, 4);
    // Gote on the left as the board has its stand, sente on the right.
    for (Side side : {GOTE, SENTE}) {
        Panel &panel = panels_[side];
        auto frame = new QFrame(this);
        frame->setObjectName(side == SENTE ? QStringLiteral("SentePanel") : QStringLiteral("GotePanel"));
        frame->setFrameStyle(QFrame::Box | QFrame::Plain);
        frame->setLineWidth(2);
        frame->setAutoFillBackground(true);
        auto column = new QVBoxLayout(frame);
        column->setContentsMargins(6, 2, 6, 2);
        column->setSpacing(0);
        panel.frame = frame;
        panel.name = new QLabel(frame);
        panel.time = new QLabel(frame);
        panel.byoyomi = new QLabel(frame);
        QFont big = font();
        big.setPixelSize(32);
        big.setBold(true);
        panel.time->setFont(big);
        QFont middle = font();
        middle.setPixelSize(18);
        panel.byoyomi->setFont(middle);
        for (QLabel *label : {panel.name, panel.time, panel.byoyomi}) {
            label->setAlignment(Qt::AlignCenter);
            column->addWidget(label);
        }
        panel.name->setFixedWidth(170);
        layout->addWidget(frame);
    }
    timer_.setInterval(100);
    connect(&timer_, &QTimer::timeout, this, &TClockWindow::refresh);
    mark(-1);
}

void TClockWindow::follow(const GameHost *host) {
    host_ = host;
    if (host_ != nullptr)
        timer_.start();
    else
        timer_.stop();
    refresh();
}

void TClockWindow::refresh() {
    const GameHost *host = host_.data();
    if (host == nullptr) return mark(-1);
    const GameReferee *referee = host->referee();
    for (Side side : {SENTE, GOTE}) {
        const Panel &panel = panels_[side];
        // A long engine name ("gpsshogi (smp) vm r3033 ...") is cut with an ellipsis; the tooltip
        // holds it whole.
        const QString name =
            QString::fromUtf8(side == SENTE ? "▲" : "△") + QString::fromStdString(host->names()[side]);
        panel.name->setToolTip(name);
        panel.name->setText(panel.name->fontMetrics().elidedText(name, Qt::ElideRight, panel.name->width()));
        if (referee == nullptr) {
            panel.time->setText(QStringLiteral("-:--"));
            panel.byoyomi->setText(QString());
            continue;
        }
        const GameClock &clock = referee->clock();
        const std::int64_t now = host->now();
        panel.time->setText(clockText(clock.remainingMs(side, now)));
        const TimeControl &control = clock.control(side);
        if (control.byoyomiMs > 0)
            panel.byoyomi->setText(
                QStringLiteral("秒読み %1").arg((clock.byoyomiLeftMs(side, now) + 999) / 1000));
        else if (control.incrementMs > 0)
            panel.byoyomi->setText(QStringLiteral("加算 %1秒").arg(control.incrementMs / 1000));
        else
            panel.byoyomi->setText(QString());
    }
    mark(referee != nullptr && !referee->over() ? referee->toMove() : -1);
    if (referee != nullptr && referee->over()) timer_.stop();
}

void TClockWindow::clear() {
    follow(nullptr);
    for (Side side : {SENTE, GOTE}) {
        const Panel &panel = panels_[side];
        panel.name->setText(QString::fromUtf8(side == SENTE ? "▲" : "△"));
        panel.name->setToolTip(QString());
        panel.time->setText(QStringLiteral("-:--"));
        panel.byoyomi->setText(QString());
    }
}

void TClockWindow::mark(int side) {
    marked_ = side;
    for (Side each : {SENTE, GOTE}) {
        QPalette palette = panels_[each].frame->palette();
        const bool on = each == side;
        palette.setColor(QPalette::Window, on ? QColor(255, 236, 160) : QColor(236, 236, 236));
        palette.setColor(QPalette::WindowText, on ? Qt::black : QColor(90, 90, 90));
        panels_[each].frame->setPalette(palette);
    }
}

QString TClockWindow::nameText(Side side) const { return panels_[side & 1].name->text(); }
QString TClockWindow::timeText(Side side) const { return panels_[side & 1].time->text(); }
QString TClockWindow::byoyomiText(Side side) const { return panels_[side & 1].byoyomi->text(); }
