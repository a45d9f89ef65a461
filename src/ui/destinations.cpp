#include "ui/destinations.h"

#include <QPainter>
#include <algorithm>

#include "core/rules.h"
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

std::vector<Square> legalDestinations(const ZnBan &game, const ZnFlags &flags) {
    std::vector<Square> squares;
    const bool fromBoard = flags.squareSelected() && game.isTurnPiece(game.pieceAt(flags.selectedSquare()));
    const bool fromHand = !fromBoard && flags.handSelected() && game.handSlotExists(flags.handSlot());
    if (!fromBoard && !fromHand) return squares;
    const PieceKind dropKind = fromHand ? game.hand(game.turn())[flags.handSlot()]->kind() : PieceKind{};
    std::vector<Move> moves;
    legalMoves(game, moves);
    for (const Move &move : moves) {
        const bool mine = fromBoard ? move.from == flags.selectedSquare()
                                    : move.from == IN_HAND && move.dropKind == dropKind;
        // A move that may promote or not comes twice; its square is marked once.
        if (mine && std::find(squares.begin(), squares.end(), move.to) == squares.end())
            squares.push_back(move.to);
    }
    return squares;
}

void DrawDestinations(QImage &image, const ZnBan &game, const std::vector<Square> &squares, BoardView view) {
    if (squares.empty()) return;
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    for (Square square : squares) {
        if (square >= SQUARE_COUNT) continue;
        const QPointF centre(squareLeft(square, view) + 16.5, squareTop(square, view) + 16.5);
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
