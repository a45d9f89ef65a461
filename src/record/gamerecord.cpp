#include "record/gamerecord.h"

#include <utility>

#include "record/notation.h"

namespace {

// Why `move` cannot be played in the game as it stands; empty when it can. It asks the same
// questions playMove asks, so that the line is only cut for a move that will be made.
std::string refusalOf(const ZnBan &game, const MoveSpec &move) {
    if (move.to >= SQUARE_COUNT) return "マス目が盤の外です";
    if (move.from == IN_HAND) {
        if (move.dropKind == KING || move.dropKind >= KIND_COUNT) return "その駒は打てません";
        if (move.promote) return "駒を打つ手で成ることはできません";
        for (const Koma *piece : game.hand(game.turn()))
            if (piece->kind() == move.dropKind)
                return piece->canDropOn(move.to, game.board()) ? std::string() : "そこには打てません";
        return "打つ駒を持っていません";
    }
    if (move.from >= SQUARE_COUNT) return "マス目が盤の外です";
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

// The drop kind only names a drop; a board move may carry any.
bool sameMove(const MoveSpec &a, const MoveSpec &b) {
    return a.from == b.from && a.to == b.to && a.promote == b.promote &&
           (a.from != IN_HAND || a.dropKind == b.dropKind);
}

}  // namespace

GameRecord::GameRecord(ZnBan &game) : game_(game) { settleMode(); }

void GameRecord::settleMode() { game_.setReplaying(!atEnd()); }

bool GameRecord::goTo(int move) {
    if (move < 0 || move > length()) return false;
    if (move == cursor()) return true;
    game_.setReplaying(true);
    while (cursor() > move)
        if (!game_.undoMove()) break;
    while (cursor() < move)
        if (!game_.redoMove()) break;
    settleMode();
    return cursor() == move;
}

void GameRecord::cutLineAtCursor() {
    game_.truncateHistory();
    game_.setReplaying(false);
    notes_.truncate(static_cast<std::size_t>(cursor()));
    ++revision_;
}

std::string GameRecord::play(const MoveSpec &move) {
    if (!atEnd() && sameMove(move, specOf(game_.history()[static_cast<std::size_t>(cursor())]))) {
        // The recorded continuation: walking on keeps the rest of the line and its notes.
        return goForward() ? std::string() : "指せない手です";
    }
    std::string reason = refusalOf(game_, move);
    if (!reason.empty()) return reason;
    // A new move at the end also cuts: the end word described a line that now goes on.
    cutLineAtCursor();
    return playMove(game_, move);
}

bool GameRecord::takeBack() {
    if (cursor() == 0) return false;
    if (atEnd()) {
        if (!game_.undoMove()) return false;
        notes_.truncate(static_cast<std::size_t>(cursor()));
        ++revision_;
        return true;
    }
    // Replay mode: the undo keeps the record, and the cut then drops it with the rest.
    if (!game_.undoMove()) return false;
    cutLineAtCursor();
    return true;
}

void GameRecord::reset(RecordNotes notes) {
    notes_ = std::move(notes);
    settleMode();
    ++revision_;
}

std::vector<std::string> GameRecord::moveList() {
    std::vector<std::string> rows;
    const auto &history = game_.history();
    rows.reserve(history.size() + 2);
    rows.emplace_back("開始局面");
    const bool walked = walkRecord(
        game_, [](const ZnBan &) {},
        [&rows, &history](const ZnBan &before, std::size_t index) {
            const Square previousTo = index > 0 ? history[index - 1].to : IN_HAND;
            rows.push_back(std::to_string(index + 1) + ' ' +
                           moveNotation(before, history[index], previousTo));
        });
    // A line that cannot be replayed, which a consistent game never has, still gets a row per move.
    if (!walked) rows.resize(1);
    while (rows.size() < history.size() + 1) rows.push_back(std::to_string(rows.size()));
    if (!notes_.endWord.empty()) rows.push_back(std::to_string(history.size() + 1) + ' ' + notes_.endWord);
    return rows;
}
