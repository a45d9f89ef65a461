// The record format itself: files written for known games compared with their full text, and
// hand-written files read back into known positions.

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <string_view>

#include "common/records.h"
#include "common/testing.h"
#include "record/record.h"

namespace {

constexpr std::string_view START_SENTE =
    "P+59OU49KI69KI39GI79GI29KE89KE19KY99KY28HI88KA17FU27FU37FU47FU57FU67FU77FU87FU97FU";
constexpr std::string_view START_GOTE =
    "P-51OU41KI61KI31GI71GI21KE81KE11KY91KY82HI22KA13FU23FU33FU43FU53FU63FU73FU83FU93FU";

std::string saved(ZnBan &game) {
    std::ostringstream out;
    const RecordResult result = saveRecord(game, out);
    EXPECT_TRUE(result.ok) << result.reason;
    EXPECT_EQ(result.reason, "");
    return out.str();
}

RecordResult loadText(ZnBan &game, const std::string &text) {
    std::istringstream in(text);
    return loadRecord(game, in);
}

// Loads text that must be accepted and checks the loaded game against a recomputation.
void loadGood(ZnBan &game, const std::string &text) {
    const RecordResult result = loadText(game, text);
    ASSERT_TRUE(result.ok) << result.reason;
    EXPECT_EQ(result.reason, "");
    ASSERT_EQ(findInconsistency(game), "");
}

// The kind on a square, -1 when it is empty.
int kindAt(const ZnBan &game, Square square) {
    const Koma *piece = game.pieceAt(square);
    return piece ? piece->kind() : -1;
}

// The piece on a square as a record writes it with its side, "+UM" or "-GI"; "" when empty.
std::string pieceText(const ZnBan &game, Square square) {
    const Koma *piece = game.pieceAt(square);
    if (piece == nullptr) return "";
    std::string text(1, piece->side() == SENTE ? '+' : '-');
    return text += RecordCode[piece->code()];
}

const std::string NEW_GAME = lines({"' ", START_SENTE, START_GOTE, "P+", "P-", "+"});

}  // namespace

TEST(RecordFormat, NewGameIsWrittenAsTheSevenLinesAndReadsBackAsTheStart) {
    ZnBan game;
    EXPECT_EQ(saved(game), NEW_GAME);

    // Loading replaces a game in progress by the starting position with an empty history.
    ZnBan loaded;
    ASSERT_TRUE(loaded.play({sq(2, 7), sq(2, 6), false}));
    loadGood(loaded, NEW_GAME);
    EXPECT_EQ(positionKey(loaded), positionKey(game));
    EXPECT_EQ(attackCounts(loaded), attackCounts(game));
    EXPECT_TRUE(loaded.history().empty());
    EXPECT_FALSE(loaded.undoMove());
}

TEST(RecordFormat, MovesFollowThePositionOfTheFirstMoveAndTheGameIsLeftAsItWas) {
    ZnBan game;
    const std::string start = positionKey(game);
    ASSERT_TRUE(game.play({sq(7, 7), sq(7, 6), false}));
    const std::string afterFirst = positionKey(game);
    ASSERT_TRUE(game.play({sq(3, 3), sq(3, 4), false}));
    const std::string afterBoth = positionKey(game);
    const auto counts = attackCounts(game);

    EXPECT_EQ(saved(game), lines({"' ", START_SENTE, START_GOTE, "P+", "P-", "+", "+7776FU", "-3334FU"}));
    EXPECT_FALSE(game.replaying());
    EXPECT_EQ(positionKey(game), afterBoth);
    EXPECT_EQ(attackCounts(game), counts);
    EXPECT_EQ(findInconsistency(game), "");
    ASSERT_TRUE(game.undoMove());
    EXPECT_EQ(positionKey(game), afterFirst);
    ASSERT_TRUE(game.undoMove());
    EXPECT_EQ(positionKey(game), start);
}

// Only the promoting move carries the promoted code; later moves of the piece carry the plain one,
// and either spelling of the later move reads back to the same game.
TEST(RecordFormat, PromotingCaptureCarriesThePromotedCodeAndLaterMovesThePlainOne) {
    ZnBan game;
    ASSERT_TRUE(game.play({sq(7, 7), sq(7, 6), false}));
    ASSERT_TRUE(game.play({sq(3, 3), sq(3, 4), false}));
    ASSERT_TRUE(game.play({sq(8, 8), sq(2, 2), true}));
    ASSERT_TRUE(game.play({sq(4, 1), sq(3, 2), false}));
    ASSERT_TRUE(game.play({sq(2, 2), sq(1, 1), false}));
    // Taking back a capture puts the captured piece at the end of its side's list, so the first
    // position lists gote's lance and bishop last; the file still reads as the starting position.
    const std::string text =
        lines({"' ", START_SENTE,
               "P-51OU41KI61KI31GI71GI21KE81KE91KY82HI13FU23FU33FU43FU53FU63FU73FU83FU93FU11KY22KA", "P+",
               "P-", "+", "+7776FU", "-3334FU", "+8822UM", "-4132KI", "+2211KA"});
    EXPECT_EQ(saved(game), text);

    for (std::string_view lastMove : {"+2211KA", "+2211UM"}) {
        ZnBan loaded;
        loadGood(loaded, lines({"' ", START_SENTE, START_GOTE, "P+", "P-", "+", "+7776FU", "-3334FU",
                                "+8822UM", "-4132KI", lastMove}));
        EXPECT_EQ(positionKey(loaded), positionKey(game)) << lastMove;
        EXPECT_EQ(loaded.history().size(), 5u);
        EXPECT_EQ(pieceText(loaded, sq(1, 1)), "+UM");
        EXPECT_EQ(saved(loaded), text);
        // Taking back the promoting capture gives the bishop back unpromoted on its square.
        for (int i = 0; i < 3; ++i) ASSERT_TRUE(loaded.undoMove());
        EXPECT_EQ(pieceText(loaded, sq(8, 8)), "+KA");
        EXPECT_EQ(pieceText(loaded, sq(2, 2)), "-KA");
    }
}

// The drop names the kind, not the stand position: with a pawn captured before a silver, the silver
// is second in the hand yet "-0055GI" drops it.
TEST(RecordFormat, GoteDropNamesTheKindNotTheHandPosition) {
    ZnBan game;
    setUpPosition(
        game,
        {{KING, sq(5, 9), SENTE}, {KING, sq(5, 1), GOTE}, {PAWN, IN_HAND, GOTE}, {SILVER, IN_HAND, GOTE}},
        GOTE);
    ASSERT_EQ(game.hand(GOTE)[0]->kind(), PAWN);
    ASSERT_TRUE(applyMove(game, Move{IN_HAND, sq(5, 5), false, SILVER}));
    const std::string text = lines({"' ", "P+59OU", "P-51OU", "P+", "P-00FU00GI", "-", "-0055GI"});
    EXPECT_EQ(saved(game), text);

    ZnBan loaded;
    loadGood(loaded, text);
    ASSERT_NE(loaded.pieceAt(sq(5, 5)), nullptr);
    EXPECT_EQ(pieceText(loaded, sq(5, 5)), "-GI");
    ASSERT_EQ(loaded.hand(GOTE).size(), 1);
    EXPECT_EQ(loaded.hand(GOTE)[0]->kind(), PAWN);
    EXPECT_EQ(loaded.turn(), SENTE);
    EXPECT_EQ(positionKey(loaded), positionKey(game));
}

// A position that did not come from the starting set keeps its promoted pieces and its hands.
TEST(RecordFormat, LoadedPromotedPositionIsWrittenBackPromoted) {
    const std::string text =
        lines({"' ", "P+59OU55UM13TO", "P-51OU28RY77NG", "P+00FU00FU00HI", "P-00KI", "+"});
    ZnBan game;
    loadGood(game, text);
    EXPECT_EQ(pieceText(game, sq(5, 5)), "+UM");
    EXPECT_EQ(pieceText(game, sq(2, 8)), "-RY");
    EXPECT_EQ(pieceText(game, sq(7, 7)), "-NG");
    EXPECT_EQ(pieceText(game, sq(1, 3)), "+TO");
    EXPECT_EQ(game.hand(SENTE).size(), 3);
    EXPECT_EQ(saved(game), text);

    // After a few moves the first position is still the loaded one.
    ASSERT_TRUE(game.play({sq(5, 5), sq(1, 1), false}));
    ASSERT_TRUE(game.play({sq(2, 8), sq(2, 9), false}));
    EXPECT_EQ(saved(game), text.substr(0, text.size()) + lines({"+5511KA", "-2829HI"}));
}

TEST(RecordFormat, TurnWordMinusLetsGoteMoveFirst) {
    ZnBan game;
    loadGood(game, lines({"' ", "P+59OU77FU", "P-51OU33FU", "P+00KI", "P-", "-", "-3334FU", "+0055KI"}));
    EXPECT_EQ(game.moveCount(), 2);
    EXPECT_EQ(game.turn(), GOTE);
    EXPECT_EQ(pieceText(game, sq(3, 4)), "-FU");
    EXPECT_EQ(pieceText(game, sq(5, 5)), "+KI");
    EXPECT_TRUE(game.hand(SENTE).empty());
    EXPECT_EQ(saved(game),
              lines({"' ", "P+59OU77FU", "P-51OU33FU", "P+00KI", "P-", "-", "-3334FU", "+0055KI"}));
    ASSERT_TRUE(game.undoMove());
    ASSERT_TRUE(game.undoMove());
    EXPECT_EQ(game.turn(), GOTE);
    EXPECT_EQ(game.hand(SENTE).size(), 1);
}

// Files other writers produce: comments of several words (any text), other line ends, white space
// of any kind, a file that stops after its position. Each must read as the game it describes.
TEST(RecordFormat, LayoutsThatReadAsTheSameGame) {
    ZnBan reference;
    ASSERT_TRUE(reference.play({sq(7, 7), sq(7, 6), false}));
    const std::string afterOneMove = positionKey(reference);
    const std::string startKey = positionKey(ZnBan{});
    const std::string s(START_SENTE), g(START_GOTE);
    const struct {
        const char *what;
        std::string text;
        const std::string &key;
    } rows[] = {
        {"comment of several words",
         "' Game of 2026, Tanaka vs Suzuki\r\n" + s + "\r\n" + g + "\r\nP+\r\nP-\r\n+\r\n+7776FU\r\n",
         afterOneMove},
        {"comment in another encoding",
         "' \x91\xce\x8b\xc7 \xe5\xaf\xbe\xe5\xb1\x80 \x01\x7f\n" + s + "\n" + g + "\nP+\nP-\n+\n+7776FU\n",
         afterOneMove},
        {"comment word of the longest length",
         std::string(MAX_RECORD_WORD, 'x') + "\n" + s + "\n" + g + "\nP+\nP-\n+\n+7776FU", afterOneMove},
        {"comment words between position lines", s + " ' sente\n" + g + " ' gote\nP+ P-\n+ +7776FU",
         afterOneMove},
        {"bare LF", s + "\n" + g + "\nP+\nP-\n+\n+7776FU\n", afterOneMove},
        {"bare CR", s + "\r" + g + "\rP+\rP-\r+\r+7776FU\r", afterOneMove},
        {"tabs and form feeds", "\t" + s + "\t\t" + g + "\fP+\vP-   +\t+7776FU", afterOneMove},
        {"no final line break", s + "\n" + g + "\nP+\nP-\n+\n+7776FU", afterOneMove},
        {"ends after the position", s + "\n" + g + "\nP+\nP-\n", startKey},
        {"ends after the turn", s + "\n" + g + "\nP+\nP-\n+", startKey},
        // Other programs may begin a text with a UTF-8 byte-order mark.
        {"byte-order mark before the comment",
         "\xEF\xBB\xBF' \r\n" + s + "\r\n" + g + "\r\nP+\r\nP-\r\n+\r\n+7776FU\r\n", afterOneMove},
        {"byte-order mark before P+", "\xEF\xBB\xBF" + s + "\r\n" + g + "\r\nP+\r\nP-\r\n+\r\n+7776FU\r\n",
         afterOneMove},
        {"byte-order mark and nothing after the position", "\xEF\xBB\xBF" + s + "\n" + g + "\nP+\nP-\n",
         startKey},
    };
    for (const auto &row : rows) {
        ZnBan game;
        loadGood(game, row.text);
        EXPECT_EQ(positionKey(game), row.key) << row.what;
        EXPECT_EQ(game.moveCount(), static_cast<int>(game.history().size())) << row.what;
    }
}

// Entries beyond what the starting set holds of a kind are dropped silently: stored files rely on it.
TEST(RecordFormat, EntriesBeyondTheStartingSetAreIgnored) {
    ZnBan game;
    loadGood(game, lines({"P+59OU28HI", "P-51OU82HI11OU", "P+00HI", "P-", "+"}));
    EXPECT_EQ(kindAt(game, sq(2, 8)), ROOK);
    EXPECT_EQ(kindAt(game, sq(8, 2)), ROOK);
    EXPECT_EQ(game.pieceAt(sq(1, 1)), nullptr);
    EXPECT_TRUE(game.hand(SENTE).empty());
    EXPECT_EQ(game.allPieces().size(), 4u);
    EXPECT_EQ(saved(game), lines({"' ", "P+59OU28HI", "P-51OU82HI", "P+", "P-", "+"}));
}

// The table of codes is the index of PieceCode, and the two codes no piece carries read as nothing.
TEST(RecordFormat, CodesReadBackToTheirPieceCodes) {
    for (int code = 0; code < CODE_COUNT; ++code) {
        const int expected = code == 8 || code == 11 ? -1 : code;
        EXPECT_EQ(pieceCodeOf(RecordCode[static_cast<std::size_t>(code)]), expected) << code;
    }
    for (std::string_view other : {"", "F", "FUU", "fu", "Fu", "OO", "  "})
        EXPECT_EQ(pieceCodeOf(other), -1) << other;
}
