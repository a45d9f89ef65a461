#include "ui/windowplace.h"

#include <QGuiApplication>
#include <QScreen>
#include <QKeyEvent>
#include <QWidget>

void keepOnScreen(QWidget *window) {
    QScreen *screen = QGuiApplication::screenAt(window->frameGeometry().topLeft());
    if (screen == nullptr) screen = window->screen();
    if (screen == nullptr) return;
    const QRect area = screen->availableGeometry();
    const QRect frame = window->frameGeometry();
    // The top-left corner wins when the window is larger than the screen: the title bar stays reachable.
    const int x = qMax(area.left(), qMin(frame.left(), area.right() + 1 - frame.width()));
    const int y = qMax(area.top(), qMin(frame.top(), area.bottom() + 1 - frame.height()));
    if (x != frame.left() || y != frame.top()) window->move(window->pos() + QPoint(x - frame.left(), y - frame.top()));
}

namespace {

// Sees the Esc that no control of the window used: a key a child ignores goes on to its parents.
class EscapeCloser : public QObject {
public:
    explicit EscapeCloser(QWidget *window) : QObject(window), window_(window) {}

    bool eventFilter(QObject *watched, QEvent *event) override {
        if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape &&
            static_cast<QKeyEvent *>(event)->modifiers() == Qt::NoModifier) {
            window_->close();
            return true;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QWidget *window_;
};

}  // namespace

void closeWithEscape(QWidget *window) { window->installEventFilter(new EscapeCloser(window)); }
