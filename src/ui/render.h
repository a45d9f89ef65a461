#pragma once
// Drawing of the board, the stands and the attack overlay into the off-screen image.
// Coordinates are the logical pixels of the image; every routine draws from scratch.

#include <QImage>

#include "core/znban.h"
#include "ui/znflags.h"

inline constexpr int IMAGE_WIDTH = 352;
inline constexpr int IMAGE_HEIGHT = 362;
inline constexpr int STAND_WIDTH = 32;
inline constexpr int STAND_HEIGHT = 360;

// Background, board rectangle, grid, labels, then the overlay for `mode` (0, 2 or 3).
void DrawBoardBase(QImage &image, const ZnBan &game, int mode);
// The pieces, the selected one white.
void DrawBoardPieces(QImage &image, const ZnBan &game, const ZnFlags &flags);
// The stand background in the top-left 32 x 360 pixels.
void ClearStandImage(QImage &image);
// Sorts the hand of `side` by kind and draws it, the selected slot white when `side` is to move.
void DrawStand(QImage &image, ZnBan &game, Side side, const ZnFlags &flags);
// The attack overlay alone (called by DrawBoardBase).
void DrawAttackOverlay(QImage &image, const ZnBan &game, int mode);

// Decodes a Shift-JIS table entry for Qt; the only place where Shift-JIS becomes a QString.
QString fromShiftJis(const char *text);
