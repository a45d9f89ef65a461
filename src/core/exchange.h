#pragma once
// Static exchange evaluation: what a side wins by starting a series of captures on one square,
// judged from the attack maps and the board alone, without playing anything.

#include "core/znban.h"

// The material value of a piece code: pawn 1, lance 3, knight 4, silver 5, gold 6, bishop 8,
// rook 10; a promoted piece counts as the piece it moves like, and the king above all the rest.
int exchangeValue(PieceCode code);

// The material the opponent of the piece on `square` wins by capturing it, when both sides then
// take turns capturing there with their least valuable attacker, each free to stop; ranging
// pieces behind an attacker on the same line join in once it has gone. 0 for an empty square.
int staticExchange(const ZnBan &game, Square square);

// Whether the piece on `square` loses material when its opponent starts capturing there.
bool losesExchange(const ZnBan &game, Square square);
