// An engine's "go mate" replies: each answer read, and a claimed mate replayed by the rules.
#include "engine/matereply.h"

#include <gtest/gtest.h>

#include "common/records.h"

namespace {

TEST(MateReply, ReadsEachAnswerAndRefusesALineThatDoesNotMate) {
    const struct {
        const char *reply;
        MateAnswer answer;
        std::size_t plies;
        const char *fault;  // a part of the fault, "" for none
    } rows[] = {
        {"checkmate G*5b", MateAnswer::Mate, 1, ""},
        {"checkmate nomate", MateAnswer::NoMate, 0, ""},
        {"checkmate timeout", MateAnswer::Unknown, 0, ""},
        {"checkmate notimplemented", MateAnswer::Unknown, 0, ""},
        {"checkmate", MateAnswer::Unknown, 0, ""},
        {"bestmove G*5b", MateAnswer::Unknown, 0, ""},
        {"checkmate G*4c", MateAnswer::Unknown, 0, "王手ではありません"},
        {"checkmate 5c5b+ 5a5b", MateAnswer::Unknown, 0, "詰んでいません"},
        {"checkmate G*5c", MateAnswer::Unknown, 0, "指せない手"},
        {"checkmate G*5z", MateAnswer::Unknown, 0, "読めない手"},
    };
    ZnBan game;
    loadSfen(game, "4k4/9/4P4/9/9/9/9/9/9 b G2r 1");
    for (const auto &row : rows) {
        const EngineMate mate = readMateReply(game, row.reply);
        EXPECT_EQ(mate.answer, row.answer) << row.reply;
        EXPECT_EQ(mate.line.size(), row.plies) << row.reply;
        EXPECT_NE(mate.fault.find(row.fault), std::string::npos) << row.reply << ": " << mate.fault;
        EXPECT_EQ(mate.fault.empty(), *row.fault == 0) << row.reply;
    }
    EXPECT_TRUE(isMateReply("checkmate nomate"));
    EXPECT_FALSE(isMateReply("checkmated"));
    EXPECT_EQ(goMateCommand(1000), "go mate 1000");
    EXPECT_EQ(goMateCommand(0), "go mate infinite");
}

}  // namespace
