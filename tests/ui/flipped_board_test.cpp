// 盤面反転: presses pick what the turned board shows, and turning back gives the plain picture.

#include "keeping_work_testing.h"

using namespace records_testing;

namespace {

// Seen from gote's side, a press on each corner square picks the piece shown there, the labels and
// stands turn too, and turning back gives the plain picture pixel for pixel.
TEST_F(KeepingWorkTest, TheFlippedBoardPicksWhatItShowsAndTurnsBackExactly) {
    window->RedrawAll();
    const QImage plain = box("Ban")->picture(), right = box("Dai0")->picture();
    trigger("KT1");
    EXPECT_NE(box("Ban")->picture(), plain);
    // Gote's lance on 1一 now stands at the bottom left, sente's on 9九 at the top right.
    const struct {
        QPoint at;
        int file, rank;
    } corners[] = {
        {{20 + 16, 312 + 16}, 1, 1}, {{276 + 16, 312 + 16}, 9, 1}, {{20 + 16, 56 + 16}, 1, 9}, {{276 + 16, 56 + 16}, 9, 9}};
    for (const auto &corner : corners) {
        SCOPED_TRACE(::testing::Message() << corner.file << corner.rank);
        window->game().setTurn(corner.rank == 1 ? GOTE : SENTE);
        window->selection().Reset();
        press(box("Ban"), corner.at);
        ASSERT_TRUE(window->selection().squareSelected());
        EXPECT_EQ(window->selection().selectedSquare(), sq(corner.file, corner.rank));
    }
    window->game().setTurn(SENTE);
    window->selection().Reset();
    trigger("KT1");
    EXPECT_EQ(box("Ban")->picture(), plain);
    EXPECT_EQ(box("Dai0")->picture(), right);
}

}  // namespace
