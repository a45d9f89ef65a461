#pragma once
// What the attack maps say beside an engine's number: which squares change hands after a move, and
// for each side the squares it holds, the pieces it would lose and the pressure on its king.

#include <string>
#include <vector>

#include "core/znban.h"

// A square whose balance (sente's attackers minus gote's) changes sign after a move.
struct BalanceChange {
    Square square = 0;
    int senteBefore = 0;
    int goteBefore = 0;
    int senteAfter = 0;
    int goteAfter = 0;
};

// The squares that hold a piece or touch a king in either position and whose balance changes sign
// from `before` to `after`, in board order.
std::vector<BalanceChange> changedBalances(const ZnBan &before, const ZnBan &after);

// "２三 1対1 → 2対1".
std::string balanceChangeText(const BalanceChange &change);

// One side's share of the attack picture.
struct SideBalance {
    // Squares where this side has more attackers than the other.
    int squaresAhead = 0;
    // Its pieces on the board that lose material when the opponent starts capturing.
    std::vector<Square> losing;
    // The enemy's attacks on the eight squares around its king, and on how many of them.
    int kingZoneAttacks = 0;
    int kingZoneSquaresAttacked = 0;
};

SideBalance sideBalance(const ZnBan &game, Side side);

// "先手 利き 23マス多い・取られる駒 ３四と金・玉周り 敵の利き 2 (2マス)".
std::string sideBalanceText(const ZnBan &game, Side side, const SideBalance &balance);
