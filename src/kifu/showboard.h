#pragma once
// The text "nagikifu show" prints: the position as a board diagram, then for each side how many of
// its pieces attack every square.

#include <string>

#include "core/znban.h"

// The board diagram of the position the game shows, with both hands and the side to move (UTF-8).
std::string boardDiagram(const ZnBan &game);

// Nine rows of nine counts: how many pieces of `side` attack each square, file 9 on the left.
std::string attackTable(const ZnBan &game, Side side);

// The closing line: "局面: " and what the rules say of the position, joined with "・" (王手, 詰み
// with the winner, 千日手, 宣言勝ち, and always 合法手N); in a handicap game the sides are named
// 下手 and 上手. A position the rules cannot judge gets the reason instead.
std::string rulesLine(const ZnBan &game, bool handicap);
