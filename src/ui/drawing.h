#pragma once
// A small drawing layer with the semantics the board pictures are described in: half-open
// rectangles, 1-pixel outlines, lines without their end point, opaque text at a reference point,
// optionally turned by 180 degrees. QPainter differs from these rules by a pixel here and there;
// this is the one place that knows where.

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPen>
#include <QPoint>
#include <QString>

// A font together with the metrics the text primitive needs, measured once.
struct TextFont {
    QFont font;
    int ascent = 0;
    int height = 0;  // the character cell: ascent + descent
};

// Makes a TextFont of `font`, measuring it.
TextFont measuredFont(const QFont &font);

// A bold font of `family` whose character cell is `cellHeight` pixels high (or the largest cell
// below it when no pixel size gives exactly that height).
TextFont fontWithCellHeight(const QString &family, int cellHeight);

// Drawing state and primitives on one image, in the image's logical coordinates. Antialiasing is
// off, so fills and lines cover whole pixels; glyphs keep the font engine's smoothing.
class Canvas {
public:
    explicit Canvas(QImage &image);
    Canvas(const Canvas &) = delete;
    Canvas &operator=(const Canvas &) = delete;

    // The image size in logical pixels.
    int width() const { return width_; }
    int height() const { return height_; }

    void setFillColour(const QColor &colour) { fill_ = colour; }
    void setTextColour(const QColor &colour) { text_ = colour; }
    void setPen(const QColor &colour, int width);
    QColor penColour() const { return penColour_; }
    int penWidth() const { return penWidth_; }

    // Fills x1 <= x < x2, y1 <= y < y2 with the fill colour.
    void fillRect(int x1, int y1, int x2, int y2);
    // The same half-open rectangle filled, with a 1-pixel outline in the pen colour on its edges.
    void rectangle(int x1, int y1, int x2, int y2);
    // A line from (x1, y1) towards (x2, y2) in the pen, the end point itself not drawn. Exact for
    // horizontal, vertical and 45-degree lines, the only ones the pictures use; a pen wider than
    // one pixel has round caps.
    void line(int x1, int y1, int x2, int y2);
    // The closed outline through `points` in the current pen; a wide pen straddles the path, with
    // round caps and joins.
    void closedOutline(const QPoint *points, int count);
    // `text` with its character cell filled with the fill colour first and the glyphs in the text
    // colour. Upright, the cell starts at (x, y) and extends right and down; turned, the whole
    // picture is rotated by 180 degrees about (x, y), so the cell extends left and up.
    void text(int x, int y, const QString &text, const TextFont &font, bool turned = false);
    // `text` in the text colour with its inked pixels centred in the half-open box, nothing filled.
    void centredText(int x1, int y1, int x2, int y2, const QString &text, const QFont &font);
    // `picture` with its top-left corner at (x, y); a picture of the canvas's pixel ratio maps one
    // to one onto its pixels.
    void image(int x, int y, const QImage &picture);

private:
    QPen pen() const;
    qreal pathOffset() const;

    QPainter painter_;
    int width_;
    int height_;
    QColor fill_ = Qt::white;
    QColor text_ = Qt::black;
    QColor penColour_ = Qt::black;
    int penWidth_ = 1;
};
