#pragma once
// A paint box: a plain rectangle that shows the last picture copied onto it and reports presses.
// Qt paints a widget only inside its paint event, so the box keeps its own copy of what was copied
// onto it and draws that copy whenever it is painted.

#include <QImage>
#include <QWidget>

class TPaintBox : public QWidget {
    Q_OBJECT

public:
    explicit TPaintBox(QWidget *parent = nullptr);

    // Keeps the `source` rectangle (logical pixels) of `image` and shows it at the box's top-left.
    // A high-DPI image keeps its device pixel ratio, so it maps back one to one on screen.
    void copyFrom(const QImage &image, const QRect &source);

    // What the box shows now (null before the first copy).
    const QImage &picture() const { return picture_; }

signals:
    // Emitted at the start of a paint event, before the kept picture is drawn, unless the paint
    // only shows a copy made since the last one; a copy made by a slot of this signal is the one
    // painted and schedules no further paint.
    void paintRequested();
    // A mouse button went down at (x, y), in the box's own pixels.
    void mouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, int x, int y);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    QImage picture_;
    bool painting_ = false;
    bool showingOwnCopy_ = false;
};
