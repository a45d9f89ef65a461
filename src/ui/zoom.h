#pragma once
// 拡大: the whole window drawn larger, fonts and geometry together. Qt scales a whole application
// by one factor fixed when it starts, so the chosen zoom is stored and takes effect at the next
// start; at 100 % nothing is scaled and the picture is exactly the plain one.

#include <QList>
#include <QSize>
#include <QStringList>

// The zooms 表示 > 拡大 offers, in percent.
inline const QList<int> kZoomPercents{100, 125, 150, 200};

// The stored zoom, 100 when none or one not offered is stored.
int storedZoomPercent();
void storeZoomPercent(int percent);
// Before the application exists: scales it by the stored zoom, unless the user's environment
// already sets a scale of its own. Returns the zoom it set, 100 when it set none.
int applyStoredZoom();
// The largest offered zoom not above `percent` at which a window of size `plain` at 100 % fits in
// `area`, in the screen's own pixels; 100 when none does.
int fittingZoomPercent(int percent, QSize plain, QSize area);
// Once the application exists: when `appliedPercent`, the zoom applyStoredZoom set, puts a window of
// size `plain` (at 100 %) beyond the primary screen, as one stored on a larger monitor may, stores
// the largest that fits and starts the program again with it and `arguments`. True when the caller
// should end.
bool restartAtFittingZoom(int appliedPercent, QSize plain, const QStringList &arguments);
