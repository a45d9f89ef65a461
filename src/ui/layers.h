#pragma once
// Layers a player may lay over the board picture besides the attack overlay: the attack counts of
// every square, the attackers of the square under the mouse, the pieces an exchange would lose, a
// preview of the move under the mouse and the last move. All are off until switched on, and with
// all of them off the board picture is exactly the plain one.

#include <QColor>
#include <QFont>
#include <QHash>
#include <QImage>
#include <QObject>
#include <QRect>

#include "core/preview.h"
#include "core/znban.h"
#include "ui/analysislayer.h"
#include "ui/destinations.h"
#include "ui/displaysettings.h"
#include "ui/drawing.h"
#include "ui/render.h"
#include "ui/znflags.h"

class QWidget;

// Colours of the layers, for the pictures and the tests that read them back.
inline const QColor SenteCountColour{0, 0, 255};
inline const QColor GoteCountColour{200, 0, 0};
inline const QColor SenteLineColour{0, 0, 255};
inline const QColor GoteLineColour{230, 0, 0};
inline const QColor LineHaloColour{255, 255, 255};
inline const QColor ExchangeFrameColour{255, 0, 255};
inline const QColor LastMoveFrameColour{255, 255, 255};
inline const QColor PreviewOutlineColour{255, 255, 255, 150};

// Where a side's count of a square is drawn, in the image's logical pixels: a small box in the
// corner that no glyph layout reaches (sente's bottom left, gote's top right).
QRect countBox(Side side, Square square, BoardView view = {});

// The picture of a count box showing `count` (1 or more) for `side`, at `devicePixelRatio`.
QImage countPicture(Side side, int count, qreal devicePixelRatio);

// The count boxes' pictures, each made once and kept by whoever draws the counts often (the board's
// layers): a full board draws up to 162 of them in every redraw.
class CountPictures {
public:
    CountPictures();
    // The same picture as countPicture gives.
    const QImage &picture(Side side, int count, qreal devicePixelRatio);

private:
    QFont font_;
    QHash<quint64, QImage> pictures_;
};

// The board picture with its layers, and the state they follow besides the display settings: the
// square under the mouse, the previewed move, the analysis marks and the rule of 指せる場所.
class BoardLayers {
public:
    // The grid square under the mouse, -1 when the mouse is off the grid.
    void setHoveredSquare(int square) { hovered_ = square >= 0 && square < SQUARE_COUNT ? square : -1; }
    int hoveredSquare() const { return hovered_; }

    // The whole board picture as `display` asks for it: background, board, attack overlay and
    // pieces as the plain drawing has them, then every layer that is on. While a previewed move
    // applies, the picture shows the position after it, the moved piece faint on its destination;
    // the game stays as it is.
    void drawBoard(QImage &image, const ZnBan &game, const ZnFlags &flags, const DisplaySettings &display);
    // The stand of `side` for the picture drawBoard last drew: the hand after the previewed move
    // while one is shown, else the game's hand as DrawStand draws it.
    void drawStand(QImage &image, ZnBan &game, Side side, const ZnFlags &flags, BoardView view);

    // Whether the last drawBoard showed a previewed move.
    bool previewShown() const { return previewShown_; }

    // The arrows and marks of engine analysis, drawn over everything else.
    AnalysisMarks &analysisMarks() { return analysisMarks_; }
    // The arrows of the open book's moves (表示 > 定跡の矢印), drawn under the engine's.
    AnalysisMarks &bookMarks() { return bookMarks_; }

    // Where 指せる場所 takes its squares from; an empty rule restores the free board's.
    void setDestinationRule(DestinationRule rule) { destinationRule_ = std::move(rule); }

    // The fonts the pictures are drawn with, for whatever else draws pieces as the board does.
    const BoardFonts &fonts() const { return fonts_; }

private:
    // Tries the move of the selection to the hovered square; false when there is none to show.
    bool startPreview(const ZnBan &game, const ZnFlags &flags, const LayerSettings &settings);

    BoardFonts fonts_;
    CountPictures counts_;
    int hovered_ = -1;
    bool previewShown_ = false;
    MovePreview preview_;
    AnalysisMarks analysisMarks_;
    AnalysisMarks bookMarks_;
    DestinationRule destinationRule_;
};

// The layers alone, drawn over a finished board picture of `shown`; `hovered` (-1 for none) is the
// square whose attackers get lines. The count boxes come from `counts`.
void DrawBoardLayers(QImage &image, CountPictures &counts, const ZnBan &shown, const LayerSettings &settings,
                     int hovered, BoardView view = {});

// The faint outline that marks a previewed destination.
void DrawPreviewOutline(QImage &image, Square square, BoardView view = {});

// Single marks of the layers on a square drawn anywhere, by its top-left corner, for pictures that
// explain them: the exchange frame, the last-move frame, the preview outline, and one attacker
// line of `side` from (x1, y1) to (x2, y2).
void DrawExchangeFrameAt(Canvas &canvas, int left, int top);
void DrawLastMoveFrameAt(Canvas &canvas, int left, int top);
void DrawPreviewOutlineAt(Canvas &canvas, int left, int top);
void DrawAttackerLine(Canvas &canvas, Side side, int x1, int y1, int x2, int y2);

// Reports the grid square under the mouse as it moves over a board widget, with the press
// mapping of the board seen from `view`, and -1 when it leaves the grid or the widget.
class BoardHoverWatcher : public QObject {
    Q_OBJECT

public:
    // Watches `board`, turning on its mouse tracking; the watcher is a child of the board.
    explicit BoardHoverWatcher(QWidget *board);
    int square() const { return square_; }
    void setView(BoardView view) { view_ = view; }

signals:
    void squareChanged(int square);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void report(int square);

    int square_ = -1;
    BoardView view_;
};
