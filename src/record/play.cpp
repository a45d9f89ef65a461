#include "record/play.h"

int dropPosition(const ZnBan &game, PieceKind kind) {
    int position = 0;
    bool held = false;
    for (const Koma *piece : game.hand(game.turn())) {
        if (piece->kind() < kind) ++position;
        held = held || piece->kind() == kind;
    }
    return held ? position : -1;
}

std::string playMove(ZnBan &game, const Move &move) {
    if (const Refusal refused = game.refusal(move); refused != Refusal::None) return refusalText(refused);
    return game.play(move) ? std::string() : refusalText(Refusal::CannotReach);
}

bool walkRecord(ZnBan &game, const std::function<void(const ZnBan &)> &start,
                const std::function<void(const ZnBan &, std::size_t index)> &move) {
    const int standing = game.moveCount();
    const bool wasReplaying = game.replaying();
    const std::size_t recorded = game.history().size();
    if (standing < 0 || static_cast<std::size_t>(standing) > recorded) return false;
    if (!wasReplaying && static_cast<std::size_t>(standing) != recorded) return false;

    game.setReplaying(true);
    while (game.moveCount() > 0)
        if (!game.undoMove()) break;
    bool walked = game.moveCount() == 0;
    if (walked) start(game);
    // Even after a failure the game is brought back as near as possible to where it stood.
    for (std::size_t index = static_cast<std::size_t>(game.moveCount()); index < recorded; ++index) {
        if (walked) move(game, index);
        if (!game.redoMove()) {
            walked = false;
            break;
        }
    }
    while (game.moveCount() > standing)
        if (!game.undoMove()) break;
    while (game.moveCount() < standing)
        if (!game.redoMove()) break;
    game.setReplaying(wasReplaying);
    return walked && game.moveCount() == standing;
}

MoveHistory recordOf(const ZnBan &before, const Move &move) {
    MoveHistory record;
    record.from = move.from;
    record.to = move.to;
    record.promoted = move.promote ? 1 : 0;
    if (move.from == IN_HAND) {
        for (Koma *piece : before.hand(before.turn()))
            if (piece->kind() == move.dropKind) {
                record.piece = piece;
                break;
            }
        return record;
    }
    if (move.from < SQUARE_COUNT) record.piece = before.pieceAt(move.from);
    if (move.to < SQUARE_COUNT) record.captured = before.pieceAt(move.to);
    return record;
}
