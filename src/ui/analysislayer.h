#pragma once
// What engine analysis lays over the board: an arrow for the best move of each line (the first
// line's strongest, a drop's from the stand's side) and the squares marked while the mouse rests
// on the list of squares the best move changes.

#include <QColor>
#include <QImage>
#include <QPointF>
#include <vector>

#include "support/types.h"
#include "ui/boardview.h"

struct BestMoveArrow {
    Square from = IN_HAND;  // IN_HAND for a drop
    Square to = 0;
    Side side = SENTE;
    // For a drop: the slot of the dropped kind on its side's stand.
    int standSlot = 0;
    // 0 for the first line, 1 for the second, ...
    int rank = 0;
};

struct AnalysisMarks {
    bool arrowsOn = false;  // 最善手の矢印
    std::vector<BestMoveArrow> arrows;
    std::vector<Square> marked;
};

inline const QColor ArrowColour{0, 150, 60};
inline const QColor MarkedSquareColour{0, 200, 230};

// The centre of a board square in the board picture's logical pixels.
QPointF squareCentre(Square square, BoardView view = {});
// Where an arrow starts: its square's centre, or for a drop the picture's edge beside the stand,
// level with the dropped piece's slot there.
QPointF arrowStart(const BestMoveArrow &arrow, BoardView view = {});

// Draws the marks and, when they are on, the arrows, over a finished board picture.
void DrawAnalysisMarks(QImage &image, const AnalysisMarks &marks, BoardView view = {});
