#pragma once
// Japanese move notation, in one place: moves as KIF writes them ("７六歩(77)", "同　歩(23)",
// "５五角打", "２二角成(88)", "２二角不成(88)"), as KI2 writes them ("▲５八金右", "△同　銀"), and
// engine readings, each move in KI2's form so that any reader can tell which piece moves.

#include <string>
#include <string_view>
#include <vector>

#include "core/znban.h"
#include "record/play.h"
#include "support/names.h"

// The move text of `record` without its side mark, for the game standing just before that move (so
// the mover's promotion and the choice it had are known). `previousTo` is the destination of the
// move before it, or IN_HAND when there is none; the same square is written as 同. A move that could
// have promoted and did not says 不成 only when `sayDeclined` is set: in a KIF file the origin
// already tells the move, and other programs' readers refuse 不成 there.
std::string kifMoveText(const ZnBan &before, const MoveHistory &record, Square previousTo,
                        bool sayDeclined = true);

// The same text after "▲" for sente or "△" for gote, as a move list shows it.
std::string moveNotation(const ZnBan &before, const MoveHistory &record, Square previousTo);

namespace kifu {

// The KI2 words that tell apart pieces of one kind able to reach the same square.
enum Modifier : unsigned {
    UP = 1u,        // 上 (also 行 and 入): the piece moves forward
    DOWN = 2u,      // 引: backward
    SIDEWAYS = 4u,  // 寄: along its rank
    STRAIGHT = 8u,  // 直: straight forward
    RIGHT = 16u,    // 右: the rightmost of the pieces left, as the mover sees the board
    LEFT = 32u,     // 左: the leftmost
};

// How many pieces of the side to move with `code` can move to `to` and fit `modifiers`; `found`
// receives one of them (the only one when the count is 1).
int countMovers(const ZnBan &game, PieceCode code, Square to, unsigned modifiers, const Koma *&found);

}  // namespace kifu

// The move as KI2 writes it, for the game standing just before it: side mark, square or 同, piece,
// 打 only where a piece on the board could make the same move, the word that tells apart the pieces
// that could (the origin "(77)" where none does), then 成 or 不成.
std::string ki2MoveText(const ZnBan &before, const MoveHistory &record, Square previousTo);

// One move of an engine reading: KI2's form, but 打 on every drop and never an origin; "" when
// `before` has no piece to make it.
std::string readingMoveText(const ZnBan &before, const Move &move, Square previousTo);

// A reading from `position`: its moves one after another ("▲７六歩△３四歩▲２二角成△同　銀"), each
// named in the position the moves before it lead to, the first always in full (a reader has no
// move before it to take 同 from). The text stops before the first move that is illegal there;
// `played`, when given, receives the number of moves written.
std::string readingText(const ZnBan &position, const std::vector<Move> &moves, std::size_t *played = nullptr);
