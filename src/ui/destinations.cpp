#include "ui/destinations.h"

#include <QPainter>

#include "ui/render.h"

std::vector<Square> freeBoardDestinations(const ZnBan &game, const ZnFlags &flags) {
    std::vector<Square> squares;
    if (flags.squareSelected()) {
        const Square from = flags.selectedSquare();
        if (!game.isTurnPiece(game.pieceAt(from))) return squares;
        for (int index = 0; index < SQUARE_COUNT; ++index)
            if (game.classifyMove(from, Square(index)) != Illegal) squares.push_back(Square(index));
    } else if (flags.handSelected() && game.handSlotExists(flags.handSlot())) {
        const Koma *piece = game.hand(game.turn())[flags.handSlot()];
        for (int index = 0; index < SQUARE_COUNT; ++index)
            if (piece->canDropOn(Square(index), game.board())) squares.push_back(Square(index));
    }
    return squares;
}

void DrawDestinations(QImage &image, const ZnBan &game, const std::vector<Square> &squares) {
    if (squares.empty()) return;
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    for (Square square : squares) {
        if (square >= SQUARE_COUNT) continue;
        const QPointF centre(squareLeft(square) + 16.5, squareTop(square) + 16.5);
        if (game.pieceAt(square) == nullptr) {
            painter.setPen(Qt::NoPen);
            painter.setBrush(DestinationColour);
            painter.drawEllipse(centre, 4.5, 4.5);
        } else {
            painter.setPen(QPen(DestinationColour, 2));
            painter.setBrush(Qt::NoBrush);
            painter.drawEllipse(centre, 13.0, 13.0);
        }
    }
}
