#pragma once
// The Japanese names of pieces and squares (UTF-8), the words every notation and every message
// about a position is made of.

#include <string>
#include <string_view>

#include "support/types.h"

// The KIF name of a piece code: "歩", "と", "成銀", "龍", ... (UTF-8).
std::string_view kifPieceName(PieceCode code);
// A piece's name as players say it in a sentence: "飛車", "と金", "成香", "龍" (UTF-8).
std::string_view spokenPieceName(PieceCode code);
// "１".."９" for file 1..9 and "一".."九" for rank 1..9 of a board square, e.g. "７六".
std::string squareName(Square square);
