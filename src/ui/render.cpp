#include "ui/render.h"

#include <QByteArray>
#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPalette>
#include <QPoint>
#include <QStringDecoder>
#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "support/glyphs.h"
#include "ui/standlayout.h"

namespace {

const QString kPieceFace = QStringLiteral("ＭＳ Ｐ明朝");
const QString kLabelFace = QStringLiteral("ＭＳ Ｐゴシック");

// Cell heights of the piece font: a plain glyph, and the two small characters of a marked piece.
constexpr int kGlyphHeight = 14;
constexpr int kSmallGlyphHeight = 12;
// The labels are 10-point text on a 96-dpi bitmap; given in pixels so that a screen's own dpi
// cannot change the board's layout.
constexpr int kLabelPixelSize = 13;

// Colour scales of the overlay, darkest last.
constexpr std::array<QRgb, 8> kSenteLead = {
    qRgb(0, 0, 240), qRgb(0, 0, 208), qRgb(0, 0, 176), qRgb(0, 0, 144),
    qRgb(0, 0, 112), qRgb(0, 0, 80),  qRgb(0, 0, 48),  qRgb(0, 0, 16),
};
constexpr std::array<QRgb, 8> kGoteLead = {
    qRgb(240, 0, 0), qRgb(208, 0, 0), qRgb(176, 0, 0), qRgb(144, 0, 0),
    qRgb(112, 0, 0), qRgb(80, 0, 0),  qRgb(48, 0, 0),  qRgb(16, 0, 0),
};
constexpr std::array<QRgb, 15> kConcentration = {
    qRgb(0, 224, 0), qRgb(0, 208, 0), qRgb(0, 192, 0), qRgb(0, 176, 0), qRgb(0, 160, 0),
    qRgb(0, 144, 0), qRgb(0, 128, 0), qRgb(0, 112, 0), qRgb(0, 96, 0),  qRgb(0, 80, 0),
    qRgb(0, 64, 0),  qRgb(0, 48, 0),  qRgb(0, 32, 0),  qRgb(0, 16, 0),  qRgb(0, 0, 0),
};
const QColor kFrameColour(255, 255, 0);

// Level n (1-based) of a scale; counts past the end of the table take its darkest level.
template <std::size_t N>
QColor level(const std::array<QRgb, N> &scale, int n) {
    const int index = std::clamp(n, 1, static_cast<int>(N)) - 1;
    return QColor(scale[static_cast<std::size_t>(index)]);
}

QColor systemColour(QPalette::ColorRole role) { return QGuiApplication::palette().color(role); }

void drawPiece(Canvas &canvas, const Koma &piece, int left, int top, const BoardFonts &f, BoardView view) {
    const bool turned = piece.side() != view.side();
    const QString &glyph = f.glyph(piece.code());
    if (piece.hasPromotedMark()) {
        if (turned)
            canvas.text(left + 28, top + 28, f.promotedMark(), f.smallPiece(), true);
        else
            canvas.text(left + 4, top + 4, f.promotedMark(), f.smallPiece(), false);
        canvas.text(left + 16, top + 16, glyph, f.smallPiece(), turned);
    } else if (turned) {
        canvas.text(left + 24, top + 24, glyph, f.piece(), true);
    } else {
        canvas.text(left + 8, top + 8, glyph, f.piece(), false);
    }
}

// Every piece on the board; the one on `selected` white, the one on `faint` faint (-1: none).
void drawPieces(QImage &image, const BoardFonts &f, const ZnBan &game, int selected, int faint,
                BoardView view) {
    Canvas canvas(image);
    canvas.setFillColour(BoardColour);
    for (int column = 0; column < 9; ++column) {
        for (int row = 0; row < 9; ++row) {
            const auto square = static_cast<Square>(squareAt(row, column));
            const Koma *piece = game.pieceAt(square);
            if (piece == nullptr) continue;
            canvas.setTextColour(square == selected ? QColor(Qt::white)
                                 : square == faint  ? FaintGlyphColour
                                                    : QColor(Qt::black));
            drawPiece(canvas, *piece, squareLeft(square, view), squareTop(square, view), f, view);
        }
    }
}

// The count under a glyph of a counted stand, centred across the stand; gote's turned with its
// pieces, as if the whole sente picture were turned about the stand's centre.
void drawStandCount(Canvas &canvas, bool upright, int top, int count, const BoardFonts &f) {
    const QString digits = QString::number(count);
    const int width = QFontMetrics(f.label().font).horizontalAdvance(digits);
    const int left = (STAND_WIDTH - width) / 2;
    if (upright)
        canvas.text(left, top + 17, digits, f.label(), false);
    else
        canvas.text(STAND_WIDTH - left, STAND_HEIGHT - top - 17, digits, f.label(), true);
}

// Draws the pieces of a hand already in kind order; the piece at index `selected` white (-1: none).
template <typename Pieces>
void drawHand(QImage &image, const BoardFonts &f, const Pieces &pieces, int selected, BoardView view) {
    if (pieces.begin() == pieces.end()) return;
    const bool upright = (*pieces.begin())->side() == view.side();
    const StandLayout layout(kindsOf(pieces));
    const int selectedPlace = layout.placeOf(selected);
    Canvas canvas(image);
    int place = 0;
    for (const StandPlace &shown : layout.places()) {
        canvas.setFillColour(BoardColour);
        canvas.setTextColour(place == selectedPlace ? Qt::white : Qt::black);
        const QString &glyph = f.glyph(static_cast<PieceCode>(shown.kind));
        const int top = 8 + layout.pitch() * place;
        if (upright)
            canvas.text(8, top, glyph, f.piece(), false);
        else
            canvas.text(24, STAND_HEIGHT - top, glyph, f.piece(), true);
        if (shown.count > 1) drawStandCount(canvas, upright, top, shown.count, f);
        ++place;
    }
}

}  // namespace

void installFontSubstitutes() {
    QFont::insertSubstitution(kPieceFace, QStringLiteral("IPAPMincho"));
    QFont::insertSubstitution(kLabelFace, QStringLiteral("IPAPGothic"));
}

BoardFonts::BoardFonts() {
    installFontSubstitutes();
    piece_ = fontWithCellHeight(kPieceFace, kGlyphHeight);
    smallPiece_ = fontWithCellHeight(kPieceFace, kSmallGlyphHeight);
    QFont label(kLabelFace);
    label.setPixelSize(kLabelPixelSize);
    label_ = measuredFont(label);
    for (int code = 0; code < CODE_COUNT; ++code)
        glyphs_[static_cast<std::size_t>(code)] = fromShiftJis(kGlyphTable[code]);
    promotedMark_ = fromShiftJis(kPromotedMark);
    for (std::size_t i = 0; i < 9; ++i) {
        files_[i] = fromShiftJis(kFileLabels[i]);
        ranks_[i] = fromShiftJis(kRankLabels[i]);
    }
}

QString fromShiftJis(const char *text) {
    if (text == nullptr || *text == '\0') return {};
    const QByteArray bytes = QByteArray::fromRawData(text, static_cast<qsizetype>(std::strlen(text)));
    // Qt knows code page 932 through ICU only by name; CP932 is the same table under another name.
    QStringDecoder decoder("Shift_JIS");
    if (!decoder.isValid()) decoder = QStringDecoder("CP932");
    return decoder.isValid() ? QString(decoder.decode(bytes)) : QString::fromLatin1(bytes);
}

QColor senteLeadColour(int lead) { return level(kSenteLead, lead); }
QColor goteLeadColour(int lead) { return level(kGoteLead, lead); }
QColor concentrationColour(int total) { return level(kConcentration, total); }

QColor frameColour() { return kFrameColour; }

void FillSquare(Canvas &canvas, const QColor &colour, Square square, BoardView view) {
    if (square >= SQUARE_COUNT) return;
    FillSquareAt(canvas, colour, squareLeft(square, view), squareTop(square, view));
}

void FrameSquare(Canvas &canvas, const QColor &colour, Square square, BoardView view) {
    if (square >= SQUARE_COUNT) return;
    FrameSquareAt(canvas, colour, squareLeft(square, view), squareTop(square, view));
}

void FillSquareAt(Canvas &canvas, const QColor &colour, int left, int top) {
    canvas.setFillColour(colour);
    canvas.fillRect(left, top, left + 32, top + 32);
}

void FrameSquareAt(Canvas &canvas, const QColor &colour, int left, int top) {
    const QColor oldColour = canvas.penColour();
    const int oldWidth = canvas.penWidth();
    canvas.setPen(colour, 4);
    const QPoint outline[] = {{left, top}, {left + 32, top}, {left + 32, top + 32}, {left, top + 32}};
    canvas.closedOutline(outline, 4);
    canvas.setPen(oldColour, oldWidth);
}

void DrawAttackOverlay(Canvas &canvas, const ZnBan &game, AttackDisplay mode, BoardView view) {
    if (mode != AttackDisplay::Balance && mode != AttackDisplay::Concentration) return;
    for (int index = 0; index < SQUARE_COUNT; ++index) {
        const auto square = static_cast<Square>(index);
        const int sente = game.attackCount(SENTE, square);
        const int gote = game.attackCount(GOTE, square);
        if (mode == AttackDisplay::Concentration) {
            if (sente + gote > 0) FillSquare(canvas, concentrationColour(sente + gote), square, view);
            continue;
        }
        const int balance = sente - gote;
        if (balance == 0) continue;
        const Koma *piece = game.pieceAt(square);
        // A piece is framed when the side that leads on its square is the opponent's.
        const Side leader = balance > 0 ? SENTE : GOTE;
        FillSquare(canvas, balance > 0 ? senteLeadColour(balance) : goteLeadColour(-balance), square, view);
        if (piece != nullptr && piece->side() != leader) FrameSquare(canvas, kFrameColour, square, view);
    }
}

void DrawAttackOverlay(QImage &image, const ZnBan &game, AttackDisplay mode, BoardView view) {
    Canvas canvas(image);
    DrawAttackOverlay(canvas, game, mode, view);
}

void DrawBoardBase(QImage &image, const BoardFonts &f, const ZnBan &game, AttackDisplay mode,
                   BoardView view) {
    Canvas canvas(image);
    canvas.setFillColour(systemColour(QPalette::Button));
    canvas.fillRect(0, 0, canvas.width(), canvas.height());

    canvas.setPen(Qt::black, 1);
    canvas.setFillColour(BoardColour);
    canvas.rectangle(4, 40, 324, 360);
    for (int i = 0; i <= 9; ++i) {
        canvas.line(20, 56 + 32 * i, 308, 56 + 32 * i);
        canvas.line(20 + 32 * i, 56, 20 + 32 * i, 344);
    }

    canvas.setFillColour(systemColour(QPalette::Light));
    canvas.setTextColour(Qt::black);
    // Each label sits over its own file and beside its own rank, wherever the board turns them.
    for (int i = 0; i < 9; ++i)
        canvas.text(squareLeft(Square(squareAt(0, i)), view) + 16, 24, f.fileLabel(i), f.label());
    for (int i = 0; i < 9; ++i)
        canvas.text(334, squareTop(Square(squareAt(i, 0)), view) + 16, f.rankLabel(i), f.label());

    DrawAttackOverlay(canvas, game, mode, view);
}

void DrawBoardPieces(QImage &image, const BoardFonts &fonts, const ZnBan &game, const ZnFlags &flags,
                     BoardView view) {
    drawPieces(image, fonts, game, flags.squareSelected() ? flags.selectedSquare() : -1, -1, view);
}

void DrawPreviewPieces(QImage &image, const BoardFonts &fonts, const ZnBan &shown, Square faint,
                       BoardView view) {
    drawPieces(image, fonts, shown, -1, faint, view);
}

void DrawPieceAt(Canvas &canvas, const BoardFonts &fonts, const Koma &piece, int left, int top,
                 BoardView view) {
    drawPiece(canvas, piece, left, top, fonts, view);
}

void ClearStandImage(QImage &image) {
    Canvas canvas(image);
    canvas.setPen(Qt::black, 1);
    canvas.setFillColour(BoardColour);
    canvas.rectangle(0, 0, STAND_WIDTH, STAND_HEIGHT);
}

void DrawStand(QImage &image, const BoardFonts &fonts, ZnBan &game, Side side, const ZnFlags &flags,
               BoardView view) {
    MochiKoma &hand = game.hand(side);
    // Sorting here is what makes the slot a press selects the glyph drawn at that place.
    hand.sortByKind();
    drawHand(image, fonts, hand, game.turn() == side && flags.handSelected() ? flags.handSlot() : -1, view);
}

void DrawPreviewStand(QImage &image, const BoardFonts &fonts, const ZnBan &shown, Side side, BoardView view) {
    std::vector<const Koma *> pieces(shown.hand(side).begin(), shown.hand(side).end());
    // Stable, as the hand's own sort is, so equal kinds keep their order.
    std::stable_sort(pieces.begin(), pieces.end(),
                     [](const Koma *a, const Koma *b) { return a->kind() < b->kind(); });
    drawHand(image, fonts, pieces, -1, view);
}
