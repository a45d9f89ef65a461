#include "common/records.h"

#include <gtest/gtest.h>

#include "record/sfen.h"

ZnBan &loadSfen(ZnBan &game, std::string_view sfen) {
    RecordNotes notes;
    EXPECT_TRUE(readSfen(game, notes, sfen).ok) << sfen;
    return game;
}
