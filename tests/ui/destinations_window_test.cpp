// 指せる場所 in the window: the marks follow the selection, by the free board's rules or a game's.

#include "keeping_work_testing.h"
#include "ui/destinations.h"
#include "ui/render.h"

using namespace records_testing;

namespace {

// 指せる場所 marks the squares the selection may reach, by the free board's rules or a game's.
TEST_F(KeepingWorkTest, DestinationsMarkWhereTheSelectionMayGo) {
    window->RedrawAll();
    const QImage plain = box("Ban")->picture();
    trigger("KQ1");
    EXPECT_EQ(box("Ban")->picture(), plain);  // nothing selected
    press(box("Ban"), squareCentre(2, 8));    // the rook: 1八 and 3八 to 7八
    EXPECT_EQ(freeBoardDestinations(window->game(), window->selection()),
              (std::vector<Square>{sq(1, 8), sq(3, 8), sq(4, 8), sq(5, 8), sq(6, 8), sq(7, 8)}));
    const QImage marked = box("Ban")->picture();
    const QPoint dot(squareLeft(sq(5, 8)) + 16, squareTop(sq(5, 8)) + 16);
    EXPECT_NE(marked.pixelColor(dot), plain.pixelColor(dot));
    const QPoint far(squareLeft(sq(5, 5)) + 16, squareTop(sq(5, 5)) + 16);
    EXPECT_EQ(marked.pixelColor(far), plain.pixelColor(far));
    // A game's own rule replaces the free board's.
    window->setDestinationRule([](const ZnBan &, const ZnFlags &) { return std::vector<Square>{sq(5, 5)}; });
    EXPECT_NE(box("Ban")->picture().pixelColor(far), plain.pixelColor(far));
    EXPECT_EQ(box("Ban")->picture().pixelColor(dot), plain.pixelColor(dot));
    window->setDestinationRule({});
}

}  // namespace
