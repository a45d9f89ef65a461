#include "ui/analysislayer.h"

#include <QPainter>
#include <QPainterPath>
#include <QtMath>

#include "ui/render.h"

QPointF squareCentre(Square square, BoardView view) {
    return QPointF(squareLeft(square, view) + 16, squareTop(square, view) + 16);
}

QPointF arrowStart(const BestMoveArrow &arrow, BoardView view) {
    if (arrow.from < SQUARE_COUNT) return squareCentre(arrow.from, view);
    // Sente's stand is right of the board and fills from the top; gote's is left and fills from the
    // bottom (see DrawStand).
    if (arrow.side == view.side()) return QPointF(IMAGE_WIDTH - 3, 18 + 20 * arrow.standSlot);
    return QPointF(3, 342 - 20 * arrow.standSlot);
}

namespace {

void drawArrow(QPainter &painter, const BestMoveArrow &arrow, BoardView view) {
    const QPointF start = arrowStart(arrow, view), end = squareCentre(arrow.to, view);
    const QLineF line(start, end);
    if (line.length() < 1) return;
    // The first line's arrow is the widest and most opaque; the others fade with their rank.
    const qreal width = arrow.rank == 0 ? 6 : qMax(2.5, 4.5 - arrow.rank);
    QColor colour = ArrowColour;
    colour.setAlpha(arrow.rank == 0 ? 220 : qMax(70, 150 - 30 * arrow.rank));
    const qreal head = width * 2.6;
    QLineF shaft(start, end);
    shaft.setLength(line.length() - head * 0.8);
    painter.setPen(QPen(colour, width, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(shaft);
    const qreal angle = qDegreesToRadians(line.angle());
    const QPointF back = end - QPointF(qCos(angle), -qSin(angle)) * head;
    const QPointF across = QPointF(qSin(angle), qCos(angle)) * (head * 0.6);
    QPainterPath tip;
    tip.moveTo(end);
    tip.lineTo(back + across);
    tip.lineTo(back - across);
    tip.closeSubpath();
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    painter.drawPath(tip);
}

}  // namespace

void DrawAnalysisMarks(QImage &image, const AnalysisMarks &marks, BoardView view) {
    if (marks.marked.empty() && (!marks.arrowsOn || marks.arrows.empty())) return;
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    for (Square square : marks.marked) {
        if (square >= SQUARE_COUNT) continue;
        const QPointF centre = squareCentre(square, view);
        painter.setPen(QPen(MarkedSquareColour, 3));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRectF(centre.x() - 14.5, centre.y() - 14.5, 29, 29));
    }
    if (!marks.arrowsOn) return;
    // The weaker lines first, so the best move's arrow lies on top.
    for (auto arrow = marks.arrows.rbegin(); arrow != marks.arrows.rend(); ++arrow)
        drawArrow(painter, *arrow, view);
}
