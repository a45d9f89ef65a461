#include "ui/paintbox.h"

#include <QMouseEvent>
#include <QPainter>

// The box fills no background of its own: whatever no copy covers shows the parent's background.
TPaintBox::TPaintBox(QWidget *parent) : QWidget(parent) {}

void TPaintBox::copyFrom(const QImage &image, const QRect &source) {
    const qreal ratio = image.devicePixelRatio();
    const QRect devicePixels(qRound(source.x() * ratio), qRound(source.y() * ratio),
                             qRound(source.width() * ratio), qRound(source.height() * ratio));
    picture_ = image.copy(devicePixels);
    picture_.setDevicePixelRatio(ratio);
    // A copy made while this box paints is drawn by that same paint; asking for another one
    // would run the paint handler again and again.
    if (painting_) return;
    showingOwnCopy_ = true;
    update();
}

void TPaintBox::paintEvent(QPaintEvent *) {
    // A paint that only puts the program's own fresh copy on screen must not run the paint
    // handler: it would redraw everything and replace the status text a command has just set.
    if (!showingOwnCopy_) {
        painting_ = true;
        emit paintRequested();
        painting_ = false;
    }
    showingOwnCopy_ = false;
    if (picture_.isNull()) return;
    QPainter painter(this);
    painter.drawImage(QPoint(0, 0), picture_);
}

void TPaintBox::mousePressEvent(QMouseEvent *event) {
    const QPoint at = event->position().toPoint();
    emit mouseDown(event->button(), event->modifiers(), at.x(), at.y());
}
