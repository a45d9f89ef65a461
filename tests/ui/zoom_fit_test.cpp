// 拡大 at start: a zoom stored on a larger monitor comes down to what fits the screen.

#include <gtest/gtest.h>

#include <QSize>

#include "ui/zoom.h"

namespace {

// A zoom stored on a larger monitor comes down to the largest that fits the screen.
TEST(ZoomFit, TheLargestZoomThatFitsTheScreenIsKept) {
    const struct {
        int stored;
        QSize screen;
        int kept;
    } rows[] = {
        {200, {1920, 1200}, 150}, {200, {2560, 1600}, 200}, {150, {1280, 1024}, 150},
        {200, {1280, 800}, 125},  {125, {800, 600}, 100},   {100, {3840, 2160}, 100},
    };
    for (const auto &row : rows)
        EXPECT_EQ(fittingZoomPercent(row.stored, QSize(780, 640), row.screen), row.kept)
            << row.stored << " " << row.screen.width();
}

}  // namespace
