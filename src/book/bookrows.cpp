#include "book/bookrows.h"

#include <cstdio>

#include "record/notation.h"
#include "record/play.h"

std::vector<BookRow> bookRows(const ZnBan &game, const std::vector<BookMove> &moves) {
    std::uint64_t total = 0;
    for (const BookMove &move : moves) total += move.count.value_or(0);
    const int played = game.moveCount();
    const Square previousTo =
        played > 0 && static_cast<std::size_t>(played) <= game.history().size()
            ? game.history()[static_cast<std::size_t>(played - 1)].to
            : IN_HAND;
    std::vector<BookRow> rows;
    rows.reserve(moves.size());
    for (const BookMove &move : moves) {
        BookRow row;
        // A move the position cannot hold is still listed, by its USI word.
        row.move = game.refusal(move.move) == Refusal::None ? moveNotation(game, recordOf(game, move.move), previousTo)
                                                            : usiMoveWord(move.move);
        if (total > 0) {
            char share[16];
            std::snprintf(share, sizeof share, "%.1f%%", 100.0 * static_cast<double>(move.count.value_or(0)) /
                                                             static_cast<double>(total));
            row.share = share;
        }
        if (move.count) row.count = std::to_string(*move.count);
        if (move.value) row.value = std::to_string(*move.value);
        if (move.depth) row.depth = std::to_string(*move.depth);
        row.comment = move.comment;
        rows.push_back(std::move(row));
    }
    return rows;
}
