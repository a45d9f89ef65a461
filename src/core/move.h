#pragma once
// One move or drop, as the rules, the records, the engines and the window all name it, and the
// reasons a move can be refused.

#include <cstdint>
#include <string>

#include "support/types.h"

struct Move {
    Square from = IN_HAND;  // IN_HAND for a drop
    Square to = 0;
    bool promote = false;
    PieceKind dropKind = PAWN;  // the kind dropped; meaningless for a move on the board

    bool isDrop() const { return from == IN_HAND; }
    // Two moves are the same when they go from and to the same squares with the same promotion;
    // a drop's kind counts, a board move's unused kind does not.
    bool operator==(const Move &other) const {
        return from == other.from && to == other.to && promote == other.promote &&
               (from != IN_HAND || dropKind == other.dropKind);
    }
};

// Why a move is refused; None when it is allowed. The first group is the free board's own rules
// (movement, promotion, the drop rules), the last three only the full rules add.
enum class Refusal : std::uint8_t {
    None,
    OffBoard,       // a square that is not on the board
    NoPiece,        // no piece on the square the move starts from
    NotYourPiece,   // the piece there belongs to the side not to move
    NotInHand,      // the side to move holds no piece of the kind to drop
    CannotReach,    // the piece does not move that way, or something stands in its path
    CannotPromote,  // promotion asked where it is not allowed, or for a drop
    DeadEnd,        // a piece left where it could never move again (行き所のない駒)
    Occupied,       // a drop on a square that holds a piece
    TwoPawns,       // a second unpromoted pawn of one side on a file (二歩)
    PawnDropMate,   // a pawn drop that mates (打ち歩詰め)
    LeavesCheck,    // the side to move is in check and stays in check (王手放置)
    IntoCheck,      // the move puts the mover's own king where it can be taken
};

// The refusal in Japanese, as the status bar, the record readers and the referee show it; empty for
// None.
const char *refusalText(Refusal refusal);

// The move as USI writes it: "7g7f", "8h2b+", "P*5e".
std::string usiMoveWord(const Move &move);
