#pragma once
// A position's book moves as a list shows them, in the window and on the command line alike.

#include <string>
#include <vector>

#include "book/book.h"
#include "core/znban.h"

struct BookRow {
    // The move in KIF notation with its side mark ("▲７六歩(77)").
    std::string move;
    // Its share of the position's count, in percent ("62.5%"); empty when no move has a count.
    std::string share;
    // The count, value and depth, empty where the book has none.
    std::string count, value, depth;
    std::string comment;
};

// The rows of `moves` in the position the game shows, in their order.
std::vector<BookRow> bookRows(const ZnBan &game, const std::vector<BookMove> &moves);
