#include "ui/legendwindow.h"

#include <QGridLayout>
#include <QLabel>
#include <QPixmap>
#include <QtMath>
#include <memory>

#include "pieces/koma.h"
#include "ui/drawing.h"
#include "ui/layers.h"
#include "ui/render.h"

namespace {

constexpr int kLeft = kLegendSquareOffset;
constexpr int kTop = kLegendSquareOffset;

// A piece of `side` on the sample square, in `colour`, over its board-coloured box.
void drawPawn(Canvas &canvas, Side side, const QColor &colour) {
    const std::unique_ptr<Koma> pawn = makeKoma(PAWN, 0, side);
    if (!pawn) return;
    canvas.setFillColour(BoardColour);
    canvas.setTextColour(colour);
    // A sample is drawn once, when the legend opens: its fonts need not outlive it.
    DrawPieceAt(canvas, BoardFonts(), *pawn, kLeft, kTop);
}

void drawMark(Canvas &canvas, LegendMark mark, qreal ratio) {
    switch (mark) {
        case LegendMark::SenteLead: FillSquareAt(canvas, senteLeadColour(1), kLeft, kTop); break;
        case LegendMark::GoteLead: FillSquareAt(canvas, goteLeadColour(1), kLeft, kTop); break;
        case LegendMark::OutAttacked:
            // A gote piece where sente leads: as on the board, the tint, the piece, then the frame.
            FillSquareAt(canvas, senteLeadColour(1), kLeft, kTop);
            drawPawn(canvas, GOTE, Qt::black);
            FrameSquareAt(canvas, frameColour(), kLeft, kTop);
            break;
        case LegendMark::Concentration: FillSquareAt(canvas, concentrationColour(1), kLeft, kTop); break;
        case LegendMark::Counts: {
            // The boxes sit where countBox puts them on a square of the board.
            const QRect sente = countBox(SENTE, 0), gote = countBox(GOTE, 0);
            const QPoint corner(squareLeft(Square(0)), squareTop(Square(0)));
            canvas.image(kLeft + sente.left() - corner.x(), kTop + sente.top() - corner.y(),
                         countPicture(SENTE, 2, ratio));
            canvas.image(kLeft + gote.left() - corner.x(), kTop + gote.top() - corner.y(),
                         countPicture(GOTE, 1, ratio));
            break;
        }
        case LegendMark::AttackerLines: {
            // From the corners, as from pieces diagonally below left and above right.
            const int centre = kLeft + 16;
            DrawAttackerLine(canvas, SENTE, kLeft, kTop + 32, centre, centre);
            DrawAttackerLine(canvas, GOTE, kLeft + 32, kTop, centre, centre);
            break;
        }
        case LegendMark::Exchange:
            drawPawn(canvas, SENTE, Qt::black);
            DrawExchangeFrameAt(canvas, kLeft, kTop);
            break;
        case LegendMark::LastMove:
            drawPawn(canvas, SENTE, Qt::black);
            DrawLastMoveFrameAt(canvas, kLeft, kTop);
            break;
        case LegendMark::Preview:
            drawPawn(canvas, SENTE, FaintGlyphColour);
            DrawPreviewOutlineAt(canvas, kLeft, kTop);
            break;
        case LegendMark::Selected: drawPawn(canvas, SENTE, Qt::white); break;
    }
}

}  // namespace

QImage legendSample(LegendMark mark, qreal devicePixelRatio) {
    const qreal ratio = devicePixelRatio > 0 ? devicePixelRatio : 1.0;
    QImage sample(qCeil(kLegendSampleSize * ratio), qCeil(kLegendSampleSize * ratio), QImage::Format_RGB32);
    sample.setDevicePixelRatio(ratio);
    Canvas canvas(sample);
    // A corner of the board: its colour and the grid lines round the square, running on.
    canvas.setFillColour(BoardColour);
    canvas.fillRect(0, 0, kLegendSampleSize, kLegendSampleSize);
    canvas.setPen(Qt::black, 1);
    for (int at : {kLeft, kLeft + 32}) {
        canvas.line(0, at, kLegendSampleSize, at);
        canvas.line(at, 0, at, kLegendSampleSize);
    }
    drawMark(canvas, mark, ratio);
    return sample;
}

TLegendWindow::TLegendWindow(QWidget *parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("LegendWindow"));
    setWindowTitle(QStringLiteral("凡例"));
    auto grid = new QGridLayout(this);
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(4);
    const qreal ratio = devicePixelRatioF();
    int row = 0;
    for (const LegendEntry &entry : kLegendEntries) {
        auto sample = new QLabel(this);
        sample->setObjectName(QStringLiteral("LegendSample%1").arg(row));
        sample->setPixmap(QPixmap::fromImage(legendSample(entry.mark, ratio)));
        auto meaning = new QLabel(QString::fromUtf8(entry.meaning), this);
        meaning->setObjectName(QStringLiteral("LegendMeaning%1").arg(row));
        grid->addWidget(sample, row, 0);
        grid->addWidget(meaning, row, 1);
        ++row;
    }
    // A reference to read beside the board, not a window to arrange.
    setFixedSize(sizeHint());
}
