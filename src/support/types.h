#pragma once
// Vocabulary shared by every part of the game: squares, sides, kinds and codes.

#include <cstdint>

using Square = std::uint8_t;     // 0..80 = row * 9 + column, IN_HAND for a piece in a hand
using Side = std::uint8_t;       // SENTE or GOTE
using PieceKind = std::uint8_t;  // 0..7, see the constants below
using PieceCode = std::uint8_t;  // kind, plus 8 when the piece is promoted

inline constexpr Square IN_HAND = 81;
inline constexpr int SQUARE_COUNT = 81;

inline constexpr Side SENTE = 0;
inline constexpr Side GOTE = 1;

inline constexpr PieceKind KING = 0;
inline constexpr PieceKind ROOK = 1;
inline constexpr PieceKind BISHOP = 2;
inline constexpr PieceKind GOLD = 3;
inline constexpr PieceKind SILVER = 4;
inline constexpr PieceKind KNIGHT = 5;
inline constexpr PieceKind LANCE = 6;
inline constexpr PieceKind PAWN = 7;
inline constexpr int KIND_COUNT = 8;

inline constexpr PieceCode PROMOTED_OFFSET = 8;
inline constexpr int CODE_COUNT = 16;

constexpr int rowOf(int square) { return square / 9; }
constexpr int columnOf(int square) { return square % 9; }
constexpr int squareAt(int row, int column) { return row * 9 + column; }
constexpr bool onBoard(int row, int column) { return row >= 0 && row < 9 && column >= 0 && column < 9; }
constexpr Side otherSide(Side side) { return static_cast<Side>(side ^ 1); }
