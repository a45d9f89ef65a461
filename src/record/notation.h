#pragma once
// Japanese move notation as KIF writes it: "７六歩(77)", "同　歩(23)", "５五角打", "２二角成(88)",
// "２二角不成(88)" and "２二馬(88)", with "▲"/"△" in front where the side is shown.

#include <string>
#include <string_view>

#include "core/znban.h"
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
