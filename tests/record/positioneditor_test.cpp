// The position editor's model: each edit step and its undo, the set never exceeded, the right
// press's cycle, the presets, pasted positions and every reason the end check refuses.

#include "record/positioneditor.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "common/testing.h"
#include "record/sfen.h"

namespace {

PositionEditor editing(const std::string &sfen) {
    PositionEditor editor;
    const EditResult pasted = editor.paste(sfen);
    EXPECT_TRUE(pasted.ok) << pasted.reason << " " << sfen;
    return editor;
}

void expectWithinTheSet(const PositionEditor &editor) {
    for (PieceKind kind = 0; kind < KIND_COUNT; ++kind) {
        EXPECT_GE(editor.inBox(kind), 0) << int(kind);
        EXPECT_LE(editor.inBox(kind), PositionEditor::SET_COUNTS[kind]) << int(kind);
    }
}

struct StepCase {
    const char *name;
    const char *start;
    std::function<EditResult(PositionEditor &)> step;
    const char *after;  // the SFEN after the step; the start again when it is refused
    bool ok;
};

using E = EditPlace;

const StepCase STEP_CASES[] = {
    {"box to square is sente's, unpromoted", "9/9/9/9/9/9/9/9/9 b - 1",
     [](PositionEditor &e) { return e.move(E::box(GOLD), E::board(sq(5, 2))); }, "9/4G4/9/9/9/9/9/9/9 b - 1", true},
    {"a square's piece keeps its face and owner", "4k4/9/9/9/9/9/9/9/+R8 b - 1",
     [](PositionEditor &e) { return e.move(E::board(sq(9, 9)), E::board(sq(1, 1))); }, "4k3+R/9/9/9/9/9/9/9/9 b - 1",
     true},
    {"the piece taken goes unpromoted to the mover's hand", "9/9/4+p4/9/4R4/9/9/9/9 b - 1",
     [](PositionEditor &e) { return e.move(E::board(sq(5, 5)), E::board(sq(5, 3))); }, "9/9/4R4/9/9/9/9/9/9 b P 1", true},
    {"a gote mover takes into gote's hand", "9/9/4+p4/9/4R4/9/9/9/9 b - 1",
     [](PositionEditor &e) { return e.move(E::board(sq(5, 3)), E::board(sq(5, 5))); }, "9/9/9/9/4+p4/9/9/9/9 b r 1", true},
    {"a king taken goes to the box", "4k4/9/9/9/9/9/9/9/4R4 b - 1",
     [](PositionEditor &e) { return e.move(E::board(sq(5, 9)), E::board(sq(5, 1))); }, "4R4/9/9/9/9/9/9/9/9 b - 1", true},
    {"square to a hand: unpromoted, the hand's owner", "4k4/9/9/9/4+b4/9/9/9/9 b - 1",
     [](PositionEditor &e) { return e.move(E::board(sq(5, 5)), E::hand(SENTE)); }, "4k4/9/9/9/9/9/9/9/9 b B 1", true},
    {"a king sent to a hand goes to the box", "4k4/9/9/9/9/9/9/9/9 b - 1",
     [](PositionEditor &e) { return e.move(E::board(sq(5, 1)), E::hand(GOTE)); }, "9/9/9/9/9/9/9/9/9 b - 1", true},
    {"hand to square keeps the hand's owner", "4k4/9/9/9/9/9/9/9/9 b g 1",
     [](PositionEditor &e) { return e.move(E::hand(GOTE, GOLD), E::board(sq(5, 2))); }, "4k4/4g4/9/9/9/9/9/9/9 b - 1",
     true},
    {"a hand without the kind refuses", "9/9/9/9/9/9/9/9/9 b 2s 1",
     [](PositionEditor &e) { return e.move(E::hand(SENTE, SILVER), E::board(sq(1, 1))); }, "9/9/9/9/9/9/9/9/9 b 2s 1",
     false},
    {"an empty square refuses", "9/9/9/9/9/9/9/9/9 b - 1",
     [](PositionEditor &e) { return e.move(E::board(sq(1, 1)), E::box()); }, "9/9/9/9/9/9/9/9/9 b - 1", false},
    {"an empty box refuses", "9/9/9/9/9/9/9/9/9 b 2R 1",
     [](PositionEditor &e) { return e.move(E::box(ROOK), E::board(sq(1, 1))); }, "9/9/9/9/9/9/9/9/9 b 2R 1", false},
    {"off the board refuses", "9/9/9/9/9/9/9/9/9 b - 1",
     [](PositionEditor &e) { return e.move(E::box(ROOK), E::board(81)); }, "9/9/9/9/9/9/9/9/9 b - 1", false},
    {"cycle: plain to promoted", "9/9/9/9/4S4/9/9/9/9 b - 1", [](PositionEditor &e) { return e.cycle(sq(5, 5)); },
     "9/9/9/9/4+S4/9/9/9/9 b - 1", true},
    {"cycle: promoted to gote's plain", "9/9/9/9/4+S4/9/9/9/9 b - 1", [](PositionEditor &e) { return e.cycle(sq(5, 5)); },
     "9/9/9/9/4s4/9/9/9/9 b - 1", true},
    {"cycle: gote's plain to gote's promoted", "9/9/9/9/4s4/9/9/9/9 b - 1", [](PositionEditor &e) { return e.cycle(sq(5, 5)); },
     "9/9/9/9/4+s4/9/9/9/9 b - 1", true},
    {"cycle: gote's promoted back to sente's plain", "9/9/9/9/4+s4/9/9/9/9 b - 1",
     [](PositionEditor &e) { return e.cycle(sq(5, 5)); }, "9/9/9/9/4S4/9/9/9/9 b - 1", true},
    {"cycle: a gold only changes owner", "9/9/9/9/4G4/9/9/9/9 b - 1", [](PositionEditor &e) { return e.cycle(sq(5, 5)); },
     "9/9/9/9/4g4/9/9/9/9 b - 1", true},
    {"key: a kind from the box", "4k4/9/9/9/9/9/9/9/9 b - 1",
     [](PositionEditor &e) { return e.putKind(sq(5, 3), PAWN, SENTE); }, "4k4/9/4P4/9/9/9/9/9/9 b - 1", true},
    {"key: replaces what stands there", "4k4/9/4+r4/9/9/9/9/9/9 b - 1",
     [](PositionEditor &e) { return e.putKind(sq(5, 3), GOLD, GOTE); }, "4k4/9/4g4/9/9/9/9/9/9 b - 1", true},
    {"key: the same kind turns it plain and the new owner's", "4k4/9/4+P4/9/9/9/9/9/9 b - 1",
     [](PositionEditor &e) { return e.putKind(sq(5, 3), PAWN, GOTE); }, "4k4/9/4p4/9/9/9/9/9/9 b - 1", true},
    {"key: with the box empty, from gote's hand", "4k4/9/9/9/9/9/9/9/9 b 2r2b4g4s4n4l18p 1",
     [](PositionEditor &e) { return e.putKind(sq(5, 3), GOLD, SENTE); }, "4k4/9/4G4/9/9/9/9/9/9 b 2r2b3g4s4n4l18p 1", true},
    {"key: then from sente's hand", "4k4/9/9/9/9/9/9/9/9 b 2R 1",
     [](PositionEditor &e) { return e.putKind(sq(1, 1), ROOK, GOTE); }, "4k3r/9/9/9/9/9/9/9/9 b R 1", true},
    {"key: a kind nowhere left refuses", "4k3r/9/9/9/9/9/9/9/R8 b - 1",
     [](PositionEditor &e) { return e.putKind(sq(5, 5), ROOK, SENTE); }, "4k3r/9/9/9/9/9/9/9/R8 b - 1", false},
    {"key: a third king refuses", "4k4/9/9/9/9/9/9/9/4K4 b - 1",
     [](PositionEditor &e) { return e.putKind(sq(1, 1), KING, SENTE); }, "4k4/9/9/9/9/9/9/9/4K4 b - 1", false},
    {"key +: promotes", "9/9/9/9/4n4/9/9/9/9 b - 1", [](PositionEditor &e) { return e.togglePromotion(sq(5, 5)); },
     "9/9/9/9/4+n4/9/9/9/9 b - 1", true},
    {"key +: a gold refuses", "9/9/9/9/4G4/9/9/9/9 b - 1", [](PositionEditor &e) { return e.togglePromotion(sq(5, 5)); },
     "9/9/9/9/4G4/9/9/9/9 b - 1", false},
    {"key Delete: to the box", "9/9/9/9/4+B4/9/9/9/9 b - 1", [](PositionEditor &e) { return e.toBox(sq(5, 5)); },
     "9/9/9/9/9/9/9/9/9 b - 1", true},
    {"stand key: from the box", "9/9/9/9/9/9/9/9/9 b - 1", [](PositionEditor &e) { return e.addToHand(GOTE, LANCE); },
     "9/9/9/9/9/9/9/9/9 b l 1", true},
    {"stand key: else from the other hand", "9/9/9/9/9/9/9/9/9 b 2r2b4g4s4n4l18p 1",
     [](PositionEditor &e) { return e.addToHand(SENTE, GOLD); }, "9/9/9/9/9/9/9/9/9 b G2r2b3g4s4n4l18p 1", true},
    {"stand key: a king refuses", "9/9/9/9/9/9/9/9/9 b - 1", [](PositionEditor &e) { return e.addToHand(SENTE, KING); },
     "9/9/9/9/9/9/9/9/9 b - 1", false},
    {"stand Delete: one back to the box", "9/9/9/9/9/9/9/9/9 b 3P 1",
     [](PositionEditor &e) { return e.takeFromHand(SENTE, PAWN); }, "9/9/9/9/9/9/9/9/9 b 2P 1", true},
    {"手番を変える", "9/9/9/9/9/9/9/9/9 b - 1", [](PositionEditor &e) { return e.flipTurn(); }, "9/9/9/9/9/9/9/9/9 w - 1",
     true},
};

class EditStep : public ::testing::TestWithParam<StepCase> {};

// Each step gives its position, keeps the set, and is undone and redone exactly; a refused step
// says why, changes nothing and leaves nothing to undo.
TEST_P(EditStep, GivesItsPositionAndUndoesExactly) {
    const StepCase &row = GetParam();
    PositionEditor editor = editing(row.start);
    const PositionSpec before = editor.position();
    const bool couldUndo = editor.canUndo();
    const EditResult result = row.step(editor);
    EXPECT_EQ(result.ok, row.ok) << result.reason;
    EXPECT_EQ(result.reason.empty(), row.ok) << result.reason;
    EXPECT_EQ(editor.sfen(), row.after);
    expectWithinTheSet(editor);
    if (!row.ok) {
        EXPECT_EQ(editor.position(), before);
        EXPECT_EQ(editor.canUndo(), couldUndo);
        return;
    }
    const PositionSpec after = editor.position();
    ASSERT_TRUE(editor.undo());
    EXPECT_EQ(editor.position(), before);
    ASSERT_TRUE(editor.redo());
    EXPECT_EQ(editor.position(), after);
    EXPECT_FALSE(editor.canRedo());
}

INSTANTIATE_TEST_SUITE_P(Rows, EditStep, ::testing::ValuesIn(STEP_CASES),
                         [](const ::testing::TestParamInfo<StepCase> &row) { return "row" + std::to_string(row.index); });

// A line of steps taken back one at a time passes every position in reverse; a new step after an
// undo forgets the steps undone.
TEST(PositionEditorUndo, WalksBackThroughEveryStepAndANewStepDropsTheRedo) {
    PositionEditor editor;
    std::vector<PositionSpec> seen{editor.position()};
    auto step = [&](const EditResult &result) {
        ASSERT_TRUE(result.ok) << result.reason;
        seen.push_back(editor.position());
    };
    step(editor.putKind(sq(5, 1), KING, GOTE));
    step(editor.putKind(sq(5, 3), PAWN, SENTE));
    step(editor.addToHand(SENTE, GOLD));
    step(editor.cycle(sq(5, 3)));
    step(editor.flipTurn());
    PositionSpec tsume;
    ASSERT_TRUE(editorPreset("詰将棋", tsume));
    step(editor.setPosition(tsume));
    for (std::size_t i = seen.size() - 1; i > 0; --i) {
        ASSERT_TRUE(editor.undo());
        EXPECT_EQ(editor.position(), seen[i - 1]) << i;
    }
    EXPECT_FALSE(editor.undo());
    ASSERT_TRUE(editor.redo());
    ASSERT_TRUE(editor.redo());
    EXPECT_EQ(editor.position(), seen[2]);
    ASSERT_TRUE(editor.toBox(sq(5, 3)).ok);
    EXPECT_FALSE(editor.canRedo());
    EXPECT_FALSE(editor.redo());
}

// Every piece of the set can be put on the board by keys, and not one more of any kind.
TEST(PositionEditorSet, KeysPlaceTheWholeSetAndNoMore) {
    PositionEditor editor;
    int square = 0;
    for (PieceKind kind = 0; kind < KIND_COUNT; ++kind) {
        for (int i = 0; i < PositionEditor::SET_COUNTS[kind]; ++i, ++square)
            ASSERT_TRUE(editor.putKind(static_cast<Square>(square), kind, i % 2 ? GOTE : SENTE).ok) << int(kind);
        EXPECT_EQ(editor.inBox(kind), 0);
        const EditResult more = editor.putKind(80, kind, SENTE);
        EXPECT_FALSE(more.ok) << int(kind);
        EXPECT_NE(more.reason.find("残っていません"), std::string::npos) << more.reason;
        EXPECT_FALSE(editor.addToHand(GOTE, kind).ok) << int(kind);
    }
    EXPECT_EQ(square, 40);
}

struct PresetCase {
    const char *name;
    const char *sfen;
};

const PresetCase PRESET_CASES[] = {
    {"平手", "lnsgkgsnl/1r5b1/ppppppppp/9/9/9/PPPPPPPPP/1B5R1/LNSGKGSNL b - 1"},
    {"香落ち", "lnsgkgsn1/1r5b1/ppppppppp/9/9/9/PPPPPPPPP/1B5R1/LNSGKGSNL w - 1"},
    {"二枚落ち", "lnsgkgsnl/9/ppppppppp/9/9/9/PPPPPPPPP/1B5R1/LNSGKGSNL w - 1"},
    {"十枚落ち", "4k4/9/ppppppppp/9/9/9/PPPPPPPPP/1B5R1/LNSGKGSNL w - 1"},
    {"詰将棋", "4k4/9/9/9/9/9/9/9/9 b 2r2b4g4s4n4l18p 1"},
    {"双玉詰将棋", "4k4/9/9/9/9/9/9/9/4K4 b 2r2b4g4s4n4l18p 1"},
    {"全て駒箱へ", "9/9/9/9/9/9/9/9/9 w - 1"},
};

// Each preset is the position its name promises, as one undoable step, and a game can start from
// every one of them.
TEST(PositionEditorPresets, EachGivesItsPositionAndPassesTheEndCheck) {
    for (const PresetCase &row : PRESET_CASES) {
        PositionEditor editor = editing("4k4/9/9/9/9/9/9/9/4K4 w - 1");
        const PositionSpec before = editor.position();
        PositionSpec preset;
        ASSERT_TRUE(editorPreset(row.name, preset, editor.turn())) << row.name;
        ASSERT_TRUE(editor.setPosition(preset).ok) << row.name;
        EXPECT_EQ(editor.sfen(), row.sfen) << row.name;
        EXPECT_EQ(editor.check().problem, EditProblem::None) << row.name << editor.check().reason;
        ASSERT_TRUE(editor.undo());
        EXPECT_EQ(editor.position(), before);
    }
    PositionSpec unknown;
    EXPECT_FALSE(editorPreset("七枚落ち", unknown));
}

struct CheckCase {
    const char *sfen;
    EditProblem problem;
};

const CheckCase CHECK_CASES[] = {
    {"4k4/9/4P4/9/9/9/9/9/9 b G 1", EditProblem::None},  // a tsume: no sente king
    {"9/9/9/9/9/9/9/9/9 b - 1", EditProblem::None},
    {"4k4/9/9/9/4P4/9/4P4/9/4K4 b - 1", EditProblem::TwoPawns},
    {"4k4/4p4/9/9/9/9/9/4p4/4K4 w - 1", EditProblem::TwoPawns},
    {"4k4/9/9/9/4+P4/9/4P4/9/4K4 b - 1", EditProblem::None},  // a tokin is no pawn
    {"4k4/9/9/9/4p4/9/4P4/9/4K4 b - 1", EditProblem::None},   // one pawn of each side
    {"4k4/N8/9/9/9/9/9/9/4K4 b - 1", EditProblem::DeadEnd},
    {"L3k4/9/9/9/9/9/9/9/4K4 b - 1", EditProblem::DeadEnd},
    {"4k3P/9/9/9/9/9/9/9/4K4 b - 1", EditProblem::DeadEnd},
    {"4k4/9/9/9/9/9/9/n8/4K4 b - 1", EditProblem::DeadEnd},
    {"+N3k4/9/9/9/9/9/9/9/4K4 b - 1", EditProblem::None},
    {"3kk4/9/9/9/9/9/9/9/9 w - 1", EditProblem::ManyKings},
    {"9/9/9/9/9/9/9/9/3KK4 b - 1", EditProblem::ManyKings},
    {"4k4/4G4/9/9/9/9/9/9/4K4 b - 1", EditProblem::OpponentInCheck},
    {"4k4/4G4/9/9/9/9/9/9/4K4 w - 1", EditProblem::None},  // the side to move may be in check
    {"4k4/9/9/9/9/9/9/4r4/4K4 w - 1", EditProblem::OpponentInCheck},
    {"b8/9/9/9/9/9/9/9/8K w - 1", EditProblem::OpponentInCheck},
    {"b8/9/9/9/9/9/6P2/9/8K w - 1", EditProblem::None},
};

// Each refusal at the end with a reason for the status bar, and a position that passes builds.
TEST(PositionEditorEnd, RefusesEachProblemWithItsReason) {
    for (const CheckCase &row : CHECK_CASES) {
        const PositionEditor editor = editing(row.sfen);
        const EditCheck verdict = editor.check();
        EXPECT_EQ(verdict.problem, row.problem) << row.sfen << " " << verdict.reason;
        EXPECT_EQ(verdict.reason.empty(), row.problem == EditProblem::None) << row.sfen;
        ZnBan game;
        ASSERT_TRUE(game.play({sq(7, 7), sq(7, 6), false}));
        const std::string built = editor.build(game);
        EXPECT_EQ(built, verdict.reason) << row.sfen;
        if (row.problem == EditProblem::None) {
            EXPECT_EQ(positionSfen(game), row.sfen);
            EXPECT_TRUE(game.history().empty());
        } else {
            EXPECT_EQ(game.moveCount(), 1) << "a refused build leaves the game alone";
        }
    }
    EXPECT_EQ(editing("4k4/9/9/9/4P4/9/4P4/9/4K4 b - 1").check().reason, "二歩です（５筋の先手の歩）");
    EXPECT_EQ(editing("4k4/N8/9/9/9/9/9/9/4K4 b - 1").check().reason, "行き所のない駒があります（９二の先手の桂）");
}

// A pasted SFEN, USI position or KIF board diagram is the whole position; anything else is refused
// and the edit goes on unchanged.
TEST(PositionEditorPaste, TakesSfenUsiAndBoardDiagramsAndRefusesTheRest) {
    const struct {
        std::string text;
        const char *sfen;  // nullptr: refused
    } rows[] = {
        {"sfen 4k4/9/4P4/9/9/9/9/9/9 b G 1", "4k4/9/4P4/9/9/9/9/9/9 b G 1"},
        {"position startpos moves 7g7f 3c3d", "lnsgkgsnl/1r5b1/pppppp1pp/6p2/9/2P6/PP1PPPPPP/1B5R1/LNSGKGSNL b - 1"},
        {"後手の持駒：なし\n"
         "  ９ ８ ７ ６ ５ ４ ３ ２ １\n"
         "+---------------------------+\n"
         "| ・ ・ ・ ・v玉 ・ ・ ・ ・|一\n"
         "| ・ ・ ・ ・ ・ ・ ・ ・ ・|二\n"
         "| ・ ・ ・ ・ 歩 ・ ・ ・ ・|三\n"
         "| ・ ・ ・ ・ ・ ・ ・ ・ ・|四\n"
         "| ・ ・ ・ ・ ・ ・ ・ ・ ・|五\n"
         "| ・ ・ ・ ・ ・ ・ ・ ・ ・|六\n"
         "| ・ ・ ・ ・ ・ ・ ・ ・ ・|七\n"
         "| ・ ・ ・ ・ ・ ・ ・ ・ ・|八\n"
         "| ・ ・ ・ ・ ・ ・ ・ ・ ・|九\n"
         "+---------------------------+\n"
         "先手の持駒：金 銀二\n",
         "4k4/9/4P4/9/9/9/9/9/9 b G2S 1"},
        {"これは局面ではありません", nullptr},
        {"sfen 4k4/9/9/9/9/9/9/9/9 b 19P 1", nullptr},
        {"sfen 4k4/9/9/9/9/9/9/9/9 b 3R 1", nullptr},
        {"", nullptr},
        {"sfen 4k4/9/9/9/9/9/9/9/9 b - 1\n" + std::string(2 << 20, '*'), nullptr},
    };
    for (const auto &row : rows) {
        PositionEditor editor = editing("4k4/9/9/9/9/9/9/9/4K4 w - 1");
        ASSERT_TRUE(editor.flipTurn().ok);
        const PositionSpec before = editor.position();
        const EditResult result = editor.paste(row.text);
        EXPECT_EQ(result.ok, row.sfen != nullptr) << row.text << " " << result.reason;
        if (row.sfen != nullptr) {
            EXPECT_EQ(editor.sfen(), row.sfen);
            ASSERT_TRUE(editor.undo());
        } else {
            EXPECT_FALSE(result.reason.empty());
        }
        EXPECT_EQ(editor.position(), before) << row.text;
    }
}

}  // namespace
