#pragma once
// Comparing a previewed board picture with the picture of the position after the move.

#include <gtest/gtest.h>

#include <QImage>
#include <QRect>

#include "support/types.h"

// Whether `preview` equals `real` outside the box round the destination `to` (grid coordinates of
// the board picture), and inside it differs only where it is lighter (the faint glyph, the outline),
// and somewhere does.
inline ::testing::AssertionResult looksLikeAfterTheMove(const QImage &preview, const QImage &real,
                                                        Square to) {
    if (preview.size() != real.size()) return ::testing::AssertionFailure() << "the sizes differ";
    const qreal ratio = real.devicePixelRatio();
    const QRect box(qRound((276 - 32 * columnOf(to) - 1) * ratio), qRound((56 + 32 * rowOf(to) - 1) * ratio),
                    qRound(35 * ratio), qRound(35 * ratio));
    int lighter = 0;
    for (int y = 0; y < real.height(); ++y) {
        for (int x = 0; x < real.width(); ++x) {
            const QRgb shown = preview.pixel(x, y), made = real.pixel(x, y);
            if (shown == made) continue;
            if (!box.contains(x, y))
                return ::testing::AssertionFailure()
                       << "differs at " << x << "," << y << " outside the destination";
            if (qRed(shown) + qGreen(shown) + qBlue(shown) < qRed(made) + qGreen(made) + qBlue(made))
                return ::testing::AssertionFailure() << "darker at " << x << "," << y;
            ++lighter;
        }
    }
    if (lighter == 0) return ::testing::AssertionFailure() << "the destination is drawn as after the move";
    return ::testing::AssertionSuccess();
}
