// The 検討 window's model without the window: which lines it keeps for which position, and when
// it redraws on a clock the test moves by hand.
#include "review/readings.h"

#include <gtest/gtest.h>

#include "record/sfen.h"

namespace {

UsiInfo line(int multipv, const char *pv) {
    UsiInfo info = parseUsiLine("info depth 8 seldepth 12 score cp 30 pv " + std::string(pv)).info;
    info.multipv = multipv;
    return info;
}

TEST(ReadingsModel, KeepsTheLinesAskedForAndRedrawsAtMostEveryTenthOfASecond) {
    ReadingsModel model;
    ZnBan game;
    RecordNotes notes;
    ASSERT_TRUE(readSfen(game, notes, "startpos").ok);
    ASSERT_TRUE(model.follow(game));
    EXPECT_FALSE(model.follow(game)) << "the same position is followed already";
    EXPECT_TRUE(model.valid());
    // The first line of a new position shows at once, a burst waits for the tenth of a second.
    EXPECT_EQ(model.redrawDelay(1000), 0);
    model.drawn(1000);
    EXPECT_EQ(model.redrawDelay(1030), 70);
    model.drawn(1100);
    EXPECT_EQ(model.redrawDelay(1250), 0);
    // A line beyond those asked for is a line all the same, but not kept.
    EXPECT_TRUE(model.take(line(1, "7g7f 3c3d"), 1));
    EXPECT_TRUE(model.take(line(2, "2g2f"), 1));
    EXPECT_FALSE(model.take(parseUsiLine("info nodes 500 nps 1000").info, 1));
    EXPECT_FALSE(model.line(1));
    const ReadingsModel::View view = model.view(2);
    ASSERT_EQ(view.rows.size(), 1u);
    EXPECT_EQ(view.rows[0].score, "+30");
    EXPECT_EQ(view.rows[0].depth, "8/12");
    EXPECT_EQ(view.rows[0].text, "▲７六歩△３四歩");
    ASSERT_EQ(view.arrows.size(), 1u);
    EXPECT_EQ(view.arrows[0].to, squareAt(5, 6));
    EXPECT_EQ(model.nodes(), 500);
    // A position no engine may be given is followed, and says why.
    ASSERT_TRUE(readSfen(game, notes, "sfen 4k4/4G4/9/9/9/9/9/9/4K4 b - 1").ok);
    ASSERT_TRUE(model.follow(game));
    EXPECT_FALSE(model.valid());
    EXPECT_FALSE(model.problem().empty());
    EXPECT_TRUE(model.view(2).rows.empty());
}

// The chosen line is named by its first move: it stays chosen as lines change places, and when no
// line starts with that move any more the choice is gone for good.
TEST(ReadingsModel, TheChosenLineFollowsItsFirstMoveOrIsForgotten) {
    ReadingsModel model;
    ZnBan game;
    RecordNotes notes;
    ASSERT_TRUE(readSfen(game, notes, "startpos").ok);
    model.follow(game);
    const auto show = [&](std::vector<const char *> pvs) {
        for (std::size_t slot = 0; slot < pvs.size(); ++slot) model.take(line(int(slot) + 1, pvs[slot]), 3);
        return model.view(3).selected;
    };
    EXPECT_EQ(show({"7g7f", "2g2f", "5g5f"}), -1);
    model.select(1);
    const std::pair<std::vector<const char *>, int> rows[] = {{{"7g7f 3c3d", "2g2f 8c8d", "5g5f"}, 1},
                                                              {{"2g2f 3c3d", "7g7f", "5g5f"}, 0},
                                                              {{"5g5f", "7g7f", "2g2f"}, 2},
                                                              {{"7g7f", "5g5f", "6g6f"}, -1},
                                                              {{"2g2f", "5g5f", "6g6f"}, -1}};
    for (const auto &[pvs, selected] : rows) EXPECT_EQ(show(pvs), selected) << pvs.front();
    EXPECT_EQ(model.selectedSlot(), 0);
}

}  // namespace
