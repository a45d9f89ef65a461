#pragma once
// The small windows beside the main one (the move list, 検討, the graph, the legend): kept inside the
// screen they open on, back where the player left them at the next start, and closed with Esc like
// a dialog.

class QPoint;
class QRect;
class QString;
class QWidget;

// Moves `window` (already sized) so that its frame lies inside the available area of its screen,
// shrinking it first when it is larger than that area.
void keepOnScreen(QWidget *window);
// Where a window whose frame is `frame` goes so as to leave `uncovered` in sight inside `area`:
// `frame` itself when it does not cover it, else the nearest place just below, right, left or above
// `uncovered` (in that order at a tie) that lies inside `area`; `frame` when there is none.
QRect placeUncovering(const QRect &frame, const QRect &uncovered, const QRect &area);
// Esc anywhere in `window` closes it.
void closeWithEscape(QWidget *window);
// Shows `window` for the first time with the place and size stored under `name` with the other
// settings, or at `beside` with its own size when none is stored, inside the screen either way and
// never over the status bar of the main window it belongs to; its place is stored again whenever it
// is hidden.
void showInStoredPlace(QWidget *window, const QString &name, QPoint beside);
// Stores the place of a window shown by showInStoredPlace now, while it is still open: the main
// window is closing and takes it along.
void storePlace(QWidget *window);
