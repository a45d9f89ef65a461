#include "ui/drawing.h"

#include <QFontMetrics>
#include <QLineF>
#include <QPen>
#include <QPolygonF>
#include <QRect>
#include <QRectF>
#include <QTransform>

namespace {

int sign(int value) { return (value > 0) - (value < 0); }

}  // namespace

TextFont measuredFont(const QFont &font) {
    const QFontMetrics metrics(font);
    return {font, metrics.ascent(), metrics.height()};
}

TextFont fontWithCellHeight(const QString &family, int cellHeight) {
    // The pixel size is the em height; the cell adds the face's own leading above and below, so
    // search downward from the cell height for the size whose cell matches.
    QFont font(family);
    font.setWeight(QFont::Bold);
    TextFont best;
    for (int size = cellHeight; size >= 1; --size) {
        font.setPixelSize(size);
        const TextFont candidate = measuredFont(font);
        if (candidate.height <= cellHeight) return candidate;
        best = candidate;
    }
    return best;
}

Canvas::Canvas(QImage &image)
    : painter_(&image),
      width_(static_cast<int>(image.deviceIndependentSize().width())),
      height_(static_cast<int>(image.deviceIndependentSize().height())) {
    painter_.setRenderHint(QPainter::Antialiasing, false);
    painter_.setRenderHint(QPainter::TextAntialiasing, true);
    painter_.setBrush(Qt::NoBrush);
}

void Canvas::setPen(const QColor &colour, int width) {
    penColour_ = colour;
    penWidth_ = width < 1 ? 1 : width;
}

void Canvas::fillRect(int x1, int y1, int x2, int y2) {
    if (x2 <= x1 || y2 <= y1) return;
    painter_.fillRect(QRect(x1, y1, x2 - x1, y2 - y1), fill_);
}

void Canvas::rectangle(int x1, int y1, int x2, int y2) {
    if (x2 <= x1 || y2 <= y1) return;
    fillRect(x1, y1, x2, y2);
    // A 1-pixel outline through the centres of the edge pixels covers exactly those pixels, at any
    // device pixel ratio (QPainter centres a pen on its path).
    painter_.setPen(QPen(penColour_, 1, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    painter_.setBrush(Qt::NoBrush);
    painter_.drawRect(QRectF(x1 + 0.5, y1 + 0.5, x2 - x1 - 1, y2 - y1 - 1));
}

void Canvas::line(int x1, int y1, int x2, int y2) {
    if (x1 == x2 && y1 == y2) return;
    // QPainter draws both end points; stop one pixel short along the line instead.
    const int endX = x2 - sign(x2 - x1);
    const int endY = y2 - sign(y2 - y1);
    const qreal offset = pathOffset();
    painter_.setPen(pen());
    painter_.drawLine(QLineF(x1 + offset, y1 + offset, endX + offset, endY + offset));
}

void Canvas::closedOutline(const QPoint *points, int count) {
    if (points == nullptr || count < 2) return;
    const qreal offset = pathOffset();
    QPolygonF path;
    for (int i = 0; i < count; ++i) path << QPointF(points[i].x() + offset, points[i].y() + offset);
    painter_.setPen(pen());
    painter_.setBrush(Qt::NoBrush);
    painter_.drawPolygon(path);
}

QPen Canvas::pen() const {
    QPen pen(penColour_, penWidth_);
    if (penWidth_ > 1) {
        pen.setCapStyle(Qt::RoundCap);
        pen.setJoinStyle(Qt::RoundJoin);
    }
    return pen;
}

qreal Canvas::pathOffset() const {
    // A pen of odd width covers whole pixels when its path runs through pixel centres; one of even
    // width when it runs along pixel edges, straddling them by width / 2 on each side.
    return penWidth_ % 2 != 0 ? 0.5 : 0.0;
}

void Canvas::text(int x, int y, const QString &text, const TextFont &font, bool turned) {
    if (text.isEmpty()) return;
    const int advance = QFontMetrics(font.font).horizontalAdvance(text);
    // The 180-degree turn maps the cell (0, 0)-(w, h) onto (x - w, y - h)-(x, y): the same pixels
    // an upright cell would cover, mirrored about the reference point.
    painter_.setWorldTransform(turned ? QTransform(-1, 0, 0, -1, x, y) : QTransform::fromTranslate(x, y));
    painter_.fillRect(QRect(0, 0, advance, font.height), fill_);
    painter_.setFont(font.font);
    painter_.setPen(text_);
    painter_.drawText(0, font.ascent, text);
    painter_.resetTransform();
}

void Canvas::centredText(int x1, int y1, int x2, int y2, const QString &text, const QFont &font) {
    if (text.isEmpty()) return;
    const QRect ink = QFontMetrics(font).tightBoundingRect(text);
    const int x = x1 + (x2 - x1 - ink.width()) / 2 - ink.left();
    const int y = y1 + (y2 - y1 - ink.height()) / 2 - ink.top();
    painter_.setFont(font);
    painter_.setPen(text_);
    painter_.drawText(x, y, text);
}

void Canvas::image(int x, int y, const QImage &picture) { painter_.drawImage(QPoint(x, y), picture); }
