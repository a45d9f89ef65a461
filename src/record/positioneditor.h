#pragma once
// The position being set up by hand (局面編集): the board, both hands, the box (駒箱) of the pieces on
// neither, the side to move; every edit step with its undo and redo; the whole-position presets, a
// pasted position and the SFEN copy; and the check that a game can start from what was set up.
// The pieces never exceed one set: an edit that would need a piece that is nowhere left is refused.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/znban.h"
#include "record/position.h"
#include "support/types.h"

// What an edit step answers: refused steps change nothing and say why, in Japanese.
struct EditResult {
    bool ok = true;
    std::string reason;
};

// Where a piece is taken from or put: a board square, one kind in one side's hand, or one kind in
// the box. As a destination a hand or the box takes whatever comes, and `kind` is not read.
struct EditPlace {
    enum class Where : std::uint8_t { OnBoard, InHand, InBox };
    Where where = Where::InBox;
    Square square = 0;
    Side side = SENTE;
    PieceKind kind = PAWN;

    static EditPlace board(Square square) { return {Where::OnBoard, square, SENTE, PAWN}; }
    static EditPlace hand(Side side, PieceKind kind = PAWN) { return {Where::InHand, 0, side, kind}; }
    static EditPlace box(PieceKind kind = PAWN) { return {Where::InBox, 0, SENTE, kind}; }
};

// Why a game cannot start from the position set up; None when it can.
enum class EditProblem : std::uint8_t {
    None,
    TwoPawns,         // two unpromoted pawns of one side on a file (二歩)
    DeadEnd,          // a piece that could never move again (行き所のない駒)
    ManyKings,        // more than one king of a side
    OpponentInCheck,  // the side not to move is in check
};

struct EditCheck {
    EditProblem problem = EditProblem::None;
    std::string reason;  // for the status bar; empty when None
};

class PositionEditor {
public:
    // How many pieces of each kind one set holds, by PieceKind.
    static constexpr std::array<int, KIND_COUNT> SET_COUNTS = {2, 2, 2, 4, 4, 4, 4, 18};

    // Starts editing `start`; a position holding more pieces than the set starts empty instead.
    explicit PositionEditor(const PositionSpec &start = PositionSpec{});

    const PositionSpec &position() const { return current_; }
    Side turn() const { return current_.turn; }
    // How many pieces of `kind` are neither on the board nor in a hand.
    int inBox(PieceKind kind) const;
    int inHand(Side side, PieceKind kind) const;

    // ---- steps, as the mouse makes them ----
    // Moves one piece from `from` to `to`. A piece put on a square keeps its owner (sente's when it
    // comes from the box, the hand's side from a hand) and its promotion only from square to square;
    // a piece already there goes, unpromoted, to the mover's hand, or to the box when it is a king.
    // A piece put in a hand is unpromoted and changes owner; a king sent to a hand goes to the box.
    EditResult move(const EditPlace &from, const EditPlace &to);
    // The right press: 表 → 成 → 後手の表 → 後手の成 → 表; a gold or a king only changes owner.
    EditResult cycle(Square square);

    // ---- steps, as the keys make them ----
    // Puts a `kind` of `owner` on the square, unpromoted, replacing what stands there (which goes to
    // the box). The piece comes from the box, or else from gote's hand, or else sente's.
    EditResult putKind(Square square, PieceKind kind, Side owner);
    // Promotes the piece on the square, or unpromotes it when it is promoted.
    EditResult togglePromotion(Square square);
    // Sends the piece on the square to the box.
    EditResult toBox(Square square);
    // Adds one `kind` to `side`'s hand, from the box or else from the other hand.
    EditResult addToHand(Side side, PieceKind kind);
    // Sends one `kind` of `side`'s hand to the box.
    EditResult takeFromHand(Side side, PieceKind kind);

    // ---- the whole position ----
    EditResult setTurn(Side side);
    EditResult flipTurn() { return setTurn(otherSide(current_.turn)); }
    // Replaces the whole position, as one step; refused when it holds more pieces than the set.
    EditResult setPosition(const PositionSpec &position);
    // Reads an SFEN, a USI position line or a KIF record or board diagram and takes the position it
    // shows as the whole position; anything else is refused with the reader's reason.
    EditResult paste(std::string_view text);
    // The position as one SFEN line (move number 1), without a line end.
    std::string sfen() const;

    // ---- undo ----
    bool canUndo() const { return !undo_.empty(); }
    bool canRedo() const { return !redo_.empty(); }
    // Goes back one step, or forward again; false when there is none.
    bool undo();
    bool redo();

    // ---- the end ----
    // Whether a game can start from the position, and if not, the first reason found. No king of a
    // side is allowed (詰将棋), and so are pieces left in the box.
    EditCheck check() const;
    // Builds the position into `game` (pieces from a fresh set, no history) when check() allows it;
    // returns the reason otherwise, leaving `game` untouched.
    std::string build(ZnBan &game) const;

private:
    // The piece a step lifts: its code, owner, and where it leaves from.
    struct Lifted {
        PieceCode code = PAWN;
        Side owner = SENTE;
    };
    bool lift(const EditPlace &from, Lifted &piece, std::string &reason);
    void putInHand(Side side, PieceCode code);
    // Records the position before a step that changed it.
    void commit(const PositionSpec &before);

    PositionSpec current_;
    std::vector<PositionSpec> undo_;
    std::vector<PositionSpec> redo_;
};

// The whole-position presets, in menu order: 平手, each handicap the records know, 詰将棋 (gote's king
// on 5一, every other piece in gote's hand), 双玉詰将棋 (sente's king on 5九 as well), 全て駒箱へ.
const std::vector<std::string_view> &editorPresetNames();
// The preset named `name`; false for any other name. 全て駒箱へ keeps `turn` as the side to move.
bool editorPreset(std::string_view name, PositionSpec &position, Side turn = SENTE);

// How many pieces of each kind a position holds, by PieceKind, board and hands together.
std::array<int, KIND_COUNT> piecesHeld(const PositionSpec &position);
