#include "ui/windowplace.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMainWindow>
#include <QRect>
#include <QScreen>
#include <QSettings>
#include <QStatusBar>
#include <QVariant>
#include <QWidget>
#include <cstdlib>

void keepOnScreen(QWidget *window) {
    QScreen *screen = QGuiApplication::screenAt(window->frameGeometry().topLeft());
    if (screen == nullptr) screen = window->screen();
    if (screen == nullptr) return;
    const QRect area = screen->availableGeometry();
    // A place stored on a larger monitor may hold a window taller or wider than this one.
    const QSize decoration = window->frameGeometry().size() - window->size();
    const QSize fitting = window->size().boundedTo(area.size() - decoration);
    if (fitting != window->size()) window->resize(fitting.expandedTo(window->minimumSize()));
    const QRect frame = window->frameGeometry();
    // The top-left corner wins when the window is larger than the screen: the title bar stays reachable.
    const int x = qMax(area.left(), qMin(frame.left(), area.right() + 1 - frame.width()));
    const int y = qMax(area.top(), qMin(frame.top(), area.bottom() + 1 - frame.height()));
    if (x != frame.left() || y != frame.top())
        window->move(window->pos() + QPoint(x - frame.left(), y - frame.top()));
}

QRect placeUncovering(const QRect &frame, const QRect &uncovered, const QRect &area) {
    if (!frame.intersects(uncovered)) return frame;
    // Below it first, then beside it, then above it: at a tie the window goes off the main window
    // rather than over its board.
    const QPoint moves[] = {{0, uncovered.bottom() + 1 - frame.top()},
                            {uncovered.right() + 1 - frame.left(), 0},
                            {uncovered.left() - 1 - frame.right(), 0},
                            {0, uncovered.top() - 1 - frame.bottom()}};
    QRect best = frame;
    int shortest = -1;
    for (const QPoint &move : moves) {
        const QRect moved = frame.translated(move);
        const int length = std::abs(move.x()) + std::abs(move.y());
        if (area.contains(moved) && (shortest < 0 || length < shortest)) {
            best = moved;
            shortest = length;
        }
    }
    return best;
}

namespace {

// The status bar of the main window says why a press was refused and how a game ended: a window
// beside it moves off it.
void keepStatusBarInSight(QWidget *window) {
    const auto *main = qobject_cast<const QMainWindow *>(window->parentWidget());
    const QStatusBar *bar =
        main != nullptr ? main->findChild<QStatusBar *>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
    QScreen *screen = window->screen();
    if (bar == nullptr || !bar->isVisible() || screen == nullptr) return;
    const QRect frame = window->frameGeometry();
    const QRect placed = placeUncovering(frame, QRect(bar->mapToGlobal(QPoint(0, 0)), bar->size()),
                                         screen->availableGeometry());
    if (placed != frame) window->move(window->pos() + placed.topLeft() - frame.topLeft());
}

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

const char *const kPlaceName = "storedPlaceName";

void store(QWidget *window) {
    const QString name = window->property(kPlaceName).toString();
    if (name.isEmpty()) return;
    QSettings(QStringLiteral("Nagi"), QStringLiteral("nagishogi"))
        .setValue(QStringLiteral("windows/") + name, window->geometry());
}

// Stores the window's place each time it is hidden, whether by Esc, its close button or the program.
class PlaceKeeper : public QObject {
public:
    explicit PlaceKeeper(QWidget *window) : QObject(window), window_(window) {}

    bool eventFilter(QObject *watched, QEvent *event) override {
        if (watched == window_ && event->type() == QEvent::Hide) store(window_);
        return QObject::eventFilter(watched, event);
    }

private:
    QWidget *window_;
};

}  // namespace

void showInStoredPlace(QWidget *window, const QString &name, QPoint beside) {
    window->setProperty(kPlaceName, name);
    const QRect stored = QSettings(QStringLiteral("Nagi"), QStringLiteral("nagishogi"))
                             .value(QStringLiteral("windows/") + name)
                             .toRect();
    if (stored.isValid())
        window->setGeometry(stored);
    else
        window->move(beside);
    window->installEventFilter(new PlaceKeeper(window));
    window->show();
    // Once shown, when the layout and the window manager have given it its size and frame.
    keepOnScreen(window);
    keepStatusBarInSight(window);
}

void storePlace(QWidget *window) {
    if (window != nullptr && window->isVisible()) store(window);
}

void closeWithEscape(QWidget *window) { window->installEventFilter(new EscapeCloser(window)); }
