#pragma once
// Playing from a book: a move of the position shown, drawn in proportion to how often each was
// played, from a seeded generator so that a game can be played again move for move.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "book/book.h"
#include "core/znban.h"

class BookChooser {
public:
    explicit BookChooser(std::uint64_t seed) : state_(seed) {}

    // A legal book move for the position the game shows, chosen with the weight of its count (a
    // move without a count weighs 1, a move of count 0 is never chosen); empty when the book holds
    // no legal move there that weighs anything.
    std::optional<BookMove> choose(const Book &book, const ZnBan &game);
    // The same choice among moves already looked up; empty when none of `moves` weighs anything.
    std::optional<BookMove> choose(const std::vector<BookMove> &moves);

private:
    // splitmix64: small, fast, and the same sequence on every platform.
    std::uint64_t next();
    std::uint64_t state_;
};

// A book opened for games to play from.
struct PlayBook {
    // Null when the book cannot serve.
    std::shared_ptr<const Book> book;
    // Why not, in Japanese, the path first.
    std::string reason;
    // The lines the reader skipped, with the first of them; empty when none. The rest of the book
    // serves all the same.
    std::string skipped;
};

// Opens the book at `path` for play, before the first game: refused when the file cannot be read,
// is not a book or holds no position. Its moves are checked as the games reach them, so that a large
// book opens fast.
PlayBook openPlayBook(const std::string &path);
