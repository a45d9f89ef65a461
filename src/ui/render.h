#pragma once
// Drawing of the board, the stands and the attack overlay into the off-screen image.
// Coordinates are the logical pixels of the image; every routine draws from scratch.

#include <QColor>
#include <QImage>
#include <QString>
#include <array>
#include <cstddef>

#include "core/znban.h"
#include "ui/boardview.h"
#include "ui/displaysettings.h"
#include "ui/drawing.h"
#include "ui/znflags.h"

inline constexpr int IMAGE_WIDTH = 352;
inline constexpr int IMAGE_HEIGHT = 362;
inline constexpr int STAND_WIDTH = 32;
inline constexpr int STAND_HEIGHT = 360;

// The top-left corner of `square` on the board: file 1 on the right, rank 1 at the top, or the
// other way round while the board is seen from gote's side. Every drawing routine below takes the
// view last; left out, it is sente's, the plain picture.
inline int squareLeft(Square square, BoardView view = {}) {
    return view.turned ? 20 + 32 * columnOf(square) : 276 - 32 * columnOf(square);
}
inline int squareTop(Square square, BoardView view = {}) {
    return view.turned ? 312 - 32 * rowOf(square) : 56 + 32 * rowOf(square);
}

// The board rectangle, the stands and the box behind every glyph.
inline const QColor BoardColour{228, 175, 14};

// Makes the Windows face names the pieces and labels ask for resolve to the IPA fonts; must run
// before the first font is made. A second call adds nothing: Qt keeps each substitute once.
void installFontSubstitutes();

// What the board's pictures write with: the piece and label fonts, measured once, and the glyphs
// and labels decoded from their Shift-JIS tables once. Fonts depend on the application's font
// database, so each owner makes its own after the application exists (the window's board layers,
// the piece box, a legend sample) and passes it to the drawing routines below.
class BoardFonts {
public:
    BoardFonts();

    // The piece font at its plain height, and at the height of a marked promoted piece.
    const TextFont &piece() const { return piece_; }
    const TextFont &smallPiece() const { return smallPiece_; }
    const TextFont &label() const { return label_; }
    // The glyph of a piece code (empty for a promoted king or gold), the promotion mark, and the
    // labels of file and rank `index` + 1.
    const QString &glyph(PieceCode code) const { return glyphs_[code % CODE_COUNT]; }
    const QString &promotedMark() const { return promotedMark_; }
    const QString &fileLabel(int index) const { return files_[static_cast<std::size_t>(index) % 9]; }
    const QString &rankLabel(int index) const { return ranks_[static_cast<std::size_t>(index) % 9]; }

private:
    TextFont piece_;
    TextFont smallPiece_;
    TextFont label_;
    std::array<QString, CODE_COUNT> glyphs_;
    QString promotedMark_;
    std::array<QString, 9> files_;
    std::array<QString, 9> ranks_;
};

// Background, board rectangle, grid, labels, then the overlay for `mode`.
void DrawBoardBase(QImage &image, const BoardFonts &fonts, const ZnBan &game, AttackDisplay mode,
                   BoardView view = {});
// The pieces, the selected one white.
void DrawBoardPieces(QImage &image, const BoardFonts &fonts, const ZnBan &game, const ZnFlags &flags,
                     BoardView view = {});
// The pieces of a previewed position: none selected, the piece on `faint` in the faint colour.
void DrawPreviewPieces(QImage &image, const BoardFonts &fonts, const ZnBan &shown, Square faint,
                       BoardView view = {});
// The glyph of the piece that a previewed move puts on its destination.
inline const QColor FaintGlyphColour{0, 0, 0, 110};
// The stand background in the top-left 32 x 360 pixels.
void ClearStandImage(QImage &image);
// Sorts the hand of `side` by kind and draws it, the selected slot white when `side` is to move.
void DrawStand(QImage &image, const BoardFonts &fonts, ZnBan &game, Side side, const ZnFlags &flags,
               BoardView view = {});
// The hand of `side` in the order DrawStand gives it, leaving the hand itself as it is; nothing
// selected.
void DrawPreviewStand(QImage &image, const BoardFonts &fonts, const ZnBan &shown, Side side,
                      BoardView view = {});
// One piece drawn on the square whose top-left corner is (left, top), in the canvas's text colour,
// as the board draws it.
void DrawPieceAt(Canvas &canvas, const BoardFonts &fonts, const Koma &piece, int left, int top,
                 BoardView view = {});
// The attack overlay alone (called by DrawBoardBase).
void DrawAttackOverlay(QImage &image, const ZnBan &game, AttackDisplay mode, BoardView view = {});
void DrawAttackOverlay(Canvas &canvas, const ZnBan &game, AttackDisplay mode, BoardView view = {});

// The overlay's scales: level `lead` (1..8) of sente's blue or gote's red, level `total` (1..15) of
// the green; a count beyond its table takes the darkest level.
QColor senteLeadColour(int lead);
QColor goteLeadColour(int lead);
QColor concentrationColour(int total);

// Fills the 32 x 32 square `square` (0..80) with `colour`, covering its left and top grid lines.
void FillSquare(Canvas &canvas, const QColor &colour, Square square, BoardView view = {});
// Outlines `square` with a 4-pixel pen of `colour` straddling its edges; the pen is restored after.
void FrameSquare(Canvas &canvas, const QColor &colour, Square square, BoardView view = {});
// The same two for a square drawn elsewhere, by its top-left corner.
void FillSquareAt(Canvas &canvas, const QColor &colour, int left, int top);
void FrameSquareAt(Canvas &canvas, const QColor &colour, int left, int top);
// The frame of a piece its opponent out-attacks under 利き収支分布.
QColor frameColour();

// Decodes a Shift-JIS table entry for Qt; the only place where Shift-JIS becomes a QString. The
// board's pictures take theirs decoded once from BoardFonts.
QString fromShiftJis(const char *text);
