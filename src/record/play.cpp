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

std::string refusalOf(const ZnBan &game, const MoveSpec &move) {
    if (move.from == IN_HAND) {
        // A captured king goes to the hand like any piece, and the game's own drop rule decides
        // whether it may come back; only a kind that does not exist is refused here.
        if (move.dropKind >= KIND_COUNT) return "その駒は打てません";
        if (move.promote) return "駒を打つ手で成ることはできません";
        for (const Koma *piece : game.hand(game.turn()))
            if (piece->kind() == move.dropKind)
                return move.to < SQUARE_COUNT && piece->canDropOn(move.to, game.board())
                           ? std::string()
                           : "そこには打てません";
        return "打つ駒を持っていません";
    }
    if (move.from >= SQUARE_COUNT || move.to >= SQUARE_COUNT) return "マス目が盤の外です";
    const Koma *piece = game.pieceAt(move.from);
    if (piece == nullptr) return "移動元に駒がありません";
    if (!game.isTurnPiece(piece)) return "手番の側の駒ではありません";
    switch (game.classifyMove(move.from, move.to)) {
        case Illegal: return "その駒はそこへ動けません";
        case NoPromotion: return move.promote ? "成れない手です" : "";
        case PromotionForced: return move.promote ? "" : "成らなければならない手です";
        case PromotionOptional: return {};
    }
    return "指せない手です";
}

std::string playMove(ZnBan &game, const MoveSpec &move) {
    if (std::string refused = refusalOf(game, move); !refused.empty()) return refused;
    if (move.from == IN_HAND)
        return game.dropPiece(dropPosition(game, move.dropKind), move.to) ? std::string()
                                                                          : "そこには打てません";
    if (!game.makeMove(move.from, move.to, move.promote)) return "指せない手です";
    return {};
}

MoveSpec specOf(const MoveHistory &record) {
    MoveSpec move;
    move.from = record.from;
    move.to = record.to;
    move.promote = record.promoted != 0;
    if (record.from == IN_HAND && record.piece != nullptr) move.dropKind = record.piece->kind();
    return move;
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

MoveHistory recordOf(const ZnBan &before, const MoveSpec &move) {
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
