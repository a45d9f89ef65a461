#pragma once
// The small windows beside the main one (the move list, the graph, the legend): kept inside the
// screen they open on, and closed with Esc like a dialog.

class QWidget;

// Moves `window` (already sized) so that its frame lies inside the available area of its screen,
// as far as it fits.
void keepOnScreen(QWidget *window);
// Esc anywhere in `window` closes it.
void closeWithEscape(QWidget *window);
