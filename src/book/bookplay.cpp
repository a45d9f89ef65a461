#include "book/bookplay.h"

#include <algorithm>

std::uint64_t BookChooser::next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

namespace {

// Counts are capped so that no sum of a position's weights can overflow.
std::uint64_t weightOf(const BookMove &move) { return std::min<std::uint64_t>(move.count.value_or(1), 1ULL << 48); }

}  // namespace

std::optional<BookMove> BookChooser::choose(const std::vector<BookMove> &moves) {
    std::uint64_t total = 0;
    for (const BookMove &move : moves) total += weightOf(move);
    // A position whose moves were all played 0 times is one the book does not recommend: the
    // player thinks for itself there.
    if (total == 0) return std::nullopt;
    // A modulo of a 64-bit draw: the bias is below one in 2^40 for any real book's counts.
    std::uint64_t pick = next() % total;
    for (const BookMove &move : moves) {
        const std::uint64_t weight = weightOf(move);
        if (pick < weight) return move;
        pick -= weight;
    }
    return moves.back();
}

std::optional<BookMove> BookChooser::choose(const Book &book, const ZnBan &game) {
    const BookMoves found = movesFor(book, game);
    if (!found.entry) return std::nullopt;
    return choose(found.entry->moves);
}

PlayBook openPlayBook(const std::string &path) {
    PlayBook play;
    BookOpenOptions options;
    options.read.checkMoves = false;
    BookReadResult read = openBook(path, options);
    if (!read.ok) {
        play.reason = path + ": " + read.reason;
        return play;
    }
    // A book searched in its file does not count its positions.
    if (!read.book.onTheFly() && read.book.empty()) {
        play.reason = path + ": 定跡に局面がありません";
        return play;
    }
    if (const std::size_t skipped = read.problems.size() + read.problemsUnnamed; skipped > 0)
        play.skipped = path + ": " + std::to_string(skipped) + "件を読み飛ばしました" +
                       (read.problems.empty() ? std::string() : "（" + read.problems.front() + " …）");
    play.book = std::make_shared<const Book>(std::move(read.book));
    return play;
}
