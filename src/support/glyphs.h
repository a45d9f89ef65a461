#pragma once
// Shift-JIS (code page 932) text tables for the board: one double-byte character and its NUL per slot.

#include "support/types.h"

// Indexed by PieceCode; the entries for a promoted king and a promoted gold are empty.
extern const char kGlyphTable[CODE_COUNT][3];
// "１" .. "９": file i + 1 at index i.
extern const char kFileLabels[9][3];
// "一" .. "九": rank i + 1 at index i.
extern const char kRankLabels[9][3];
// "成", the small mark beside a promoted silver, knight or lance.
extern const char kPromotedMark[3];
