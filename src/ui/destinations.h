#pragma once
// 指せる場所: the squares the selected piece, or the piece in hand, may go to, marked on the board.
// The free board's own rules give them unless a game supplies its own (the full rules).

#include <QColor>
#include <QImage>
#include <functional>
#include <vector>

#include "core/znban.h"
#include "ui/boardview.h"
#include "ui/znflags.h"

// The squares the selection of `flags` may move or drop to; none without a selection.
using DestinationRule = std::function<std::vector<Square>(const ZnBan &game, const ZnFlags &flags)>;

// The rule of the free board: every move the game accepts (promoted or not) and every drop the
// piece's own drop rules allow.
std::vector<Square> freeBoardDestinations(const ZnBan &game, const ZnFlags &flags);

// The rule of a game played by the rules: only the legal moves and drops of the selection.
std::vector<Square> legalDestinations(const ZnBan &game, const ZnFlags &flags);

inline const QColor DestinationColour{0, 110, 0, 190};

// A dot in the middle of each empty square of `squares`, a ring round each occupied one, so that
// a piece that could be taken stays readable.
void DrawDestinations(QImage &image, const ZnBan &game, const std::vector<Square> &squares, BoardView view = {});
