#include "ui/matewatch.h"

#include <QTimer>

#include "core/preview.h"
#include "record/notation.h"

MateWatch::MateWatch(const MateLimits &limits, QObject *parent) : QObject(parent), limits_(limits) {
    timer_ = new QTimer(this);
    timer_->setInterval(50);
    connect(timer_, &QTimer::timeout, this, &MateWatch::poll);
}

MateWatch::~MateWatch() { halt(); }

void MateWatch::halt() {
    timer_->stop();
    solver_.stop();
    if (worker_.joinable()) worker_.join();
}

void MateWatch::stop() {
    halt();
    emit answered(QString());
}

void MateWatch::follow(const ZnBan &game) {
    halt();
    emit answered(QString());
    copyPosition(game, position_);
    // A position the solver refuses (no king to mate) has nothing to tell.
    if (!mateProblem(position_).empty()) return;
    solver_.rearm();
    done_ = false;
    // The thread reads only its own copy; the result is read after join.
    worker_ = std::thread([this] {
        result_ = solver_.solve(position_, limits_);
        done_ = true;
    });
    timer_->start();
}

void MateWatch::poll() {
    if (!done_) return;
    timer_->stop();
    worker_.join();
    if (result_.answer != MateAnswer::Mate || result_.line.empty()) return;
    // The small budget may end before the line is shortened: it says so rather than mislead.
    emit answered(QStringLiteral("詰みあり %1手%2：%3")
                      .arg(result_.line.size())
                      .arg(result_.shortest ? QString() : QStringLiteral("（最短とは限りません）"))
                      .arg(QString::fromStdString(readingText(position_, result_.line))));
}
