// The counted stand: a hand too large for one glyph a piece shows each kind once with its count.

#include "keeping_work_testing.h"

using namespace records_testing;

namespace {

// Beyond what a stand shows one glyph each, each kind shows once with its count; every kind is
// picked and dropped from it, and a hand that fits keeps the plain picture.
TEST_F(KeepingWorkTest, AFullStandShowsEveryKindAndDropsIt) {
    writeFile(path("full.sfen"), "sfen 4k4/9/9/9/9/9/9/9/4K4 b 2R2B4G4S4N4L18P 1\n");
    open(path("full.sfen"));
    const PieceKind kinds[] = {ROOK, BISHOP, GOLD, SILVER, KNIGHT, LANCE, PAWN};
    const QImage full = box("Dai0")->picture();
    for (int place = 0; place < 7; ++place) {
        SCOPED_TRACE(place);
        // The count stands under the glyph, in black ink where a one-glyph stand has none.
        bool ink = false;
        for (int x = 4; x < 28; ++x)
            for (int y = 25; y < 39; ++y) ink = ink || full.pixelColor(x, 40 * place + y) == QColor(Qt::black);
        EXPECT_TRUE(ink);
        press(box("Dai0"), QPoint(16, 8 + 40 * place + 7));
        press(box("Ban"), squareCentre(9 - place, 5));
        const Koma *dropped = window->game().pieceAt(sq(9 - place, 5));
        ASSERT_NE(dropped, nullptr);
        EXPECT_EQ(dropped->kind(), kinds[place]);
        // Gote answers with a king move, so that sente drops again.
        const bool even = place % 2 == 0;
        press(box("Ban"), even ? squareCentre(5, 1) : squareCentre(4, 2));
        press(box("Ban"), even ? squareCentre(4, 2) : squareCentre(5, 1));
        ASSERT_EQ(window->game().turn(), SENTE);
    }
    EXPECT_EQ(window->game().hand(SENTE).size(), 31);
}

}  // namespace
