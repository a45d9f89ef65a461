#include "ui/layers.h"

#include <QEvent>
#include <QFont>
#include <QFontMetrics>
#include <QHash>
#include <QMouseEvent>
#include <QWidget>
#include <QtMath>

#include "core/exchange.h"
#include "ui/drawing.h"
#include "ui/interaction.h"
#include "ui/render.h"

namespace {

constexpr int kCountBoxWidth = 7;
constexpr int kCountBoxHeight = 10;

// A bold, narrow sans face whose digits fill a count box with a pixel to spare.
QFont countFont() {
    QFont candidate(QStringLiteral("DejaVu Sans"));
    candidate.setWeight(QFont::Bold);
    candidate.setStretch(QFont::Condensed);
    for (int size = 14; size > 5; --size) {
        candidate.setPixelSize(size);
        const QRect ink = QFontMetrics(candidate).tightBoundingRect(QStringLiteral("8"));
        if (ink.width() <= kCountBoxWidth - 1 && ink.height() <= kCountBoxHeight - 1) break;
    }
    return candidate;
}

// Two-digit counts are rare (ten pieces of one side on one square); they are squeezed into the
// same box rather than reach into a glyph.
QFont fittedCountFont(const QFont &countFont, const QString &digits) {
    QFont font = countFont;
    for (int stretch = font.stretch(); stretch > 25; stretch -= 5) {
        font.setStretch(stretch);
        if (QFontMetrics(font).tightBoundingRect(digits).width() <= kCountBoxWidth) break;
    }
    return font;
}

// Fills the band between the half-open rectangles outer and inner (inner lies inside outer).
void fillBand(Canvas &canvas, const QColor &colour, QRect outer, int thickness) {
    const int x1 = outer.left(), y1 = outer.top(), x2 = outer.left() + outer.width(),
              y2 = outer.top() + outer.height();
    canvas.setFillColour(colour);
    canvas.fillRect(x1, y1, x2, y1 + thickness);
    canvas.fillRect(x1, y2 - thickness, x2, y2);
    canvas.fillRect(x1, y1 + thickness, x1 + thickness, y2 - thickness);
    canvas.fillRect(x2 - thickness, y1 + thickness, x2, y2 - thickness);
}

// A thin line in the side's colour over a light halo, so it shows on every tint and glyph.
void drawHalo(Canvas &canvas, int x1, int y1, int x2, int y2) {
    canvas.setPen(LineHaloColour, 3);
    canvas.line(x1, y1, x2, y2);
}

void drawThinLine(Canvas &canvas, Side side, int x1, int y1, int x2, int y2) {
    canvas.setPen(side == SENTE ? SenteLineColour : GoteLineColour, 1);
    canvas.line(x1, y1, x2, y2);
}

void drawCounts(Canvas &canvas, CountPictures &pictures, const ZnBan &shown, qreal ratio, BoardView view) {
    for (int index = 0; index < SQUARE_COUNT; ++index) {
        const auto square = static_cast<Square>(index);
        for (Side side : {SENTE, GOTE}) {
            const int count = shown.attackCount(side, square);
            if (count == 0) continue;
            const QRect box = countBox(side, square, view);
            canvas.image(box.left(), box.top(), pictures.picture(side, count, ratio));
        }
    }
}

// A count box's picture drawn with `font`, the count face of a CountPictures.
QImage drawCountPicture(const QFont &font, Side side, int count, qreal ratio) {
    QImage picture(qCeil(kCountBoxWidth * ratio), qCeil(kCountBoxHeight * ratio), QImage::Format_RGB32);
    picture.setDevicePixelRatio(ratio);
    {
        Canvas canvas(picture);
        canvas.setFillColour(BoardColour);
        canvas.fillRect(0, 0, kCountBoxWidth, kCountBoxHeight);
        canvas.setTextColour(side == SENTE ? SenteCountColour : GoteCountColour);
        const QString digits = QString::number(count);
        canvas.centredText(0, 0, kCountBoxWidth, kCountBoxHeight, digits, fittedCountFont(font, digits));
    }
    return picture;
}

void drawAttackerLines(Canvas &canvas, const ZnBan &shown, Square target, BoardView view) {
    const int x = squareLeft(target, view) + 16, y = squareTop(target, view) + 16;
    // Every halo first, so that no halo hides another side's line.
    for (int pass = 0; pass < 2; ++pass) {
        for (Side side : {SENTE, GOTE}) {
            for (const Koma *piece : shown.attackers(side, target)) {
                const int fromX = squareLeft(piece->square(), view) + 16;
                const int fromY = squareTop(piece->square(), view) + 16;
                if (pass == 0)
                    drawHalo(canvas, fromX, fromY, x, y);
                else
                    drawThinLine(canvas, side, fromX, fromY, x, y);
            }
        }
    }
    canvas.setPen(Qt::black, 1);
}

void drawExchangeFrames(Canvas &canvas, const ZnBan &shown, BoardView view) {
    for (Side side : {SENTE, GOTE})
        for (const Koma *piece : shown.piecesOnBoard(side))
            if (losesExchange(shown, piece->square()))
                DrawExchangeFrameAt(canvas, squareLeft(piece->square(), view), squareTop(piece->square(), view));
}

// The destination of the move that led to the position shown; the history entry before the move
// count, so that a game walked back to an earlier move shows that move.
int lastMoveSquare(const ZnBan &shown) {
    const int count = shown.moveCount();
    if (count <= 0 || static_cast<std::size_t>(count) > shown.history().size()) return -1;
    return shown.history()[static_cast<std::size_t>(count - 1)].to;
}

}  // namespace

QRect countBox(Side side, Square square, BoardView view) {
    const int left = squareLeft(square, view), top = squareTop(square, view);
    if (side == SENTE) return {left + 1, top + 21, kCountBoxWidth, kCountBoxHeight};
    return {left + 24, top + 1, kCountBoxWidth, kCountBoxHeight};
}

QImage countPicture(Side side, int count, qreal devicePixelRatio) {
    return CountPictures().picture(side, count, devicePixelRatio);
}

CountPictures::CountPictures() : font_(countFont()) {}

const QImage &CountPictures::picture(Side side, int count, qreal devicePixelRatio) {
    const qreal ratio = devicePixelRatio > 0 ? devicePixelRatio : 1.0;
    const quint64 key = (quint64(qRound(ratio * 100)) << 32) | (quint64(count) << 1) | (side & 1);
    auto found = pictures_.find(key);
    if (found == pictures_.end()) found = pictures_.insert(key, drawCountPicture(font_, side, count, ratio));
    return *found;
}

void DrawBoardLayers(QImage &image, CountPictures &counts, const ZnBan &shown, const LayerSettings &settings,
                     int hovered, BoardView view) {
    Canvas canvas(image);
    // Frames first, then the counts in the corners over them, then the lines over everything.
    if (settings.lastMove) {
        const int square = lastMoveSquare(shown);
        if (square >= 0)
            DrawLastMoveFrameAt(canvas, squareLeft(static_cast<Square>(square), view),
                                squareTop(static_cast<Square>(square), view));
    }
    if (settings.exchange) drawExchangeFrames(canvas, shown, view);
    if (settings.counts) drawCounts(canvas, counts, shown, image.devicePixelRatio(), view);
    if (settings.attackers && hovered >= 0 && hovered < SQUARE_COUNT)
        drawAttackerLines(canvas, shown, static_cast<Square>(hovered), view);
}

void DrawPreviewOutline(QImage &image, Square square, BoardView view) {
    if (square >= SQUARE_COUNT) return;
    Canvas canvas(image);
    DrawPreviewOutlineAt(canvas, squareLeft(square, view), squareTop(square, view));
}

void DrawExchangeFrameAt(Canvas &canvas, int left, int top) {
    fillBand(canvas, ExchangeFrameColour, QRect(left + 2, top + 2, 28, 28), 2);
}

void DrawLastMoveFrameAt(Canvas &canvas, int left, int top) {
    fillBand(canvas, LastMoveFrameColour, QRect(left - 1, top - 1, 34, 34), 2);
}

void DrawPreviewOutlineAt(Canvas &canvas, int left, int top) {
    // Along the grid lines round the square: the square itself keeps its tint and its glyph.
    fillBand(canvas, PreviewOutlineColour, QRect(left, top, 33, 33), 1);
}

void DrawAttackerLine(Canvas &canvas, Side side, int x1, int y1, int x2, int y2) {
    drawHalo(canvas, x1, y1, x2, y2);
    drawThinLine(canvas, side, x1, y1, x2, y2);
    canvas.setPen(Qt::black, 1);
}

bool BoardLayers::startPreview(const ZnBan &game, const ZnFlags &flags, const LayerSettings &settings) {
    if (!settings.preview || hovered_ < 0) return false;
    const auto to = static_cast<Square>(hovered_);
    if (flags.squareSelected()) return preview_.tryMove(game, flags.selectedSquare(), to);
    if (flags.handSelected() && game.handSlotExists(flags.handSlot()))
        return preview_.tryDrop(game, game.hand(game.turn())[flags.handSlot()]->kind(), to);
    return false;
}

void BoardLayers::drawBoard(QImage &image, const ZnBan &game, const ZnFlags &flags, const DisplaySettings &display) {
    const BoardView view = display.view;
    // The last picture's move stands on the copy until now, for the stands drawn after it.
    if (preview_.active()) preview_.takeBack();
    previewShown_ = startPreview(game, flags, display.layers);
    const ZnBan &shown = previewShown_ ? preview_.position() : game;
    DrawBoardBase(image, fonts_, shown, display.attacks, view);
    if (previewShown_)
        DrawPreviewPieces(image, fonts_, shown, static_cast<Square>(hovered_), view);
    else
        DrawBoardPieces(image, fonts_, game, flags, view);
    DrawBoardLayers(image, counts_, shown, display.layers, hovered_, view);
    // A previewed move has no selection left to show the squares of.
    if (display.layers.destinations && !previewShown_)
        DrawDestinations(image, game,
                         destinationRule_ ? destinationRule_(game, flags) : freeBoardDestinations(game, flags),
                         view);
    DrawAnalysisMarks(image, bookMarks_, view);
    DrawAnalysisMarks(image, analysisMarks_, view);
    if (previewShown_) DrawPreviewOutline(image, static_cast<Square>(hovered_), view);
}

void BoardLayers::drawStand(QImage &image, ZnBan &game, Side side, const ZnFlags &flags, BoardView view) {
    if (previewShown_ && preview_.active())
        DrawPreviewStand(image, fonts_, preview_.position(), side, view);
    else
        DrawStand(image, fonts_, game, side, flags, view);
}

BoardHoverWatcher::BoardHoverWatcher(QWidget *board) : QObject(board) {
    board->setMouseTracking(true);
    board->installEventFilter(this);
}

bool BoardHoverWatcher::eventFilter(QObject *watched, QEvent *event) {
    switch (event->type()) {
        case QEvent::MouseMove: {
            const QPoint at = static_cast<QMouseEvent *>(event)->position().toPoint();
            const int column = BoardColumnAt(at.x(), view_), row = BoardRowAt(at.y(), view_);
            report(onBoard(row, column) ? squareAt(row, column) : -1);
            break;
        }
        case QEvent::Leave:
        case QEvent::Hide: report(-1); break;
        default: break;
    }
    return QObject::eventFilter(watched, event);
}

void BoardHoverWatcher::report(int square) {
    if (square == square_) return;
    square_ = square;
    emit squareChanged(square);
}
