// Positions an engine must never be sent.
#include "core/position_check.h"

#include <gtest/gtest.h>

#include "common/records.h"
#include "record/sfen.h"

namespace {

const char *const kStart = "startpos";
const char *const kMateInOne = "sfen 4k4/9/4P4/9/9/9/9/9/4K4 b G2r 1";

TEST(AnalysisProblem, PositionsThatMustNotBeSent) {
    const struct {
        const char *position, *reason;  // "" when the position may be sent
    } rows[] = {
        {kStart, ""},
        {kMateInOne, ""},
        {"sfen 9/9/4P4/9/9/9/9/9/4K4 b G 1", "後手の玉が盤上にない"},
        {"sfen 4k4/9/4P4/9/9/9/9/9/9 b Gk 1", "先手の玉が盤上にない"},
        // Sente to move while sente's gold attacks gote's king; with gote to move that is fine.
        {"sfen 4k4/4G4/9/9/9/9/9/9/4K4 b - 1", "王手がかかっている"},
        {"sfen 4k4/4G4/9/9/9/9/9/9/4K4 w - 1", ""},
        {"sfen 4k4/9/4P4/9/4P4/9/9/9/4K4 b - 1", "先手の歩が５筋に二枚"},
        {"sfen 4k4/9/2p6/9/9/2p6/9/9/4K4 b - 1", "後手の歩が７筋に二枚"},
        {"sfen 4k4/9/4+P4/9/4P4/9/9/9/4K4 b - 1", ""},
        {"sfen P3k4/9/9/9/9/9/9/9/4K4 b - 1", "動けない位置"},
        {"sfen 4k4/9/9/9/9/9/9/n8/4K4 b - 1", "動けない位置"},
    };
    for (const auto &row : rows) {
        ZnBan game;
        const std::string problem = analysisProblem(loadSfen(game, row.position));
        EXPECT_EQ(problem.empty(), *row.reason == 0) << row.position << ": " << problem;
        EXPECT_NE(problem.find(row.reason), std::string::npos) << problem;
        if (*row.reason != 0) {
            EXPECT_TRUE(problem.ends_with("ので検討できません")) << problem;
            EXPECT_TRUE(analysisProblem(game, "対局できません").ends_with("ので対局できません"));
        }
    }
}

}  // namespace
