#pragma once
// The text "nagikifu show" prints: the position as a board diagram, then for each side how many of
// its pieces attack every square.

#include <string>

#include "core/znban.h"

// The board diagram of the position the game shows, with both hands and the side to move (UTF-8).
std::string boardDiagram(const ZnBan &game);

// Nine rows of nine counts: how many pieces of `side` attack each square, file 9 on the left.
std::string attackTable(const ZnBan &game, Side side);
