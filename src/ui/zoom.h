#pragma once
// 拡大: the whole window drawn larger, fonts and geometry together. Qt scales a whole application
// by one factor fixed when it starts, so the chosen zoom is stored and takes effect at the next
// start; at 100 % nothing is scaled and the picture is exactly the plain one.

#include <QList>

// The zooms 表示 > 拡大 offers, in percent.
inline const QList<int> kZoomPercents{100, 125, 150, 200};

// The stored zoom, 100 when none or one not offered is stored.
int storedZoomPercent();
void storeZoomPercent(int percent);
// Before the application exists: scales it by the stored zoom, unless the user's environment
// already sets a scale of its own.
void applyStoredZoom();
