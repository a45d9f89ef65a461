#pragma once
// The lines of a book file: a position line's key and ply, a move line's fields, a position's body.
// Shared by the reader that keeps the whole file and the one that searches it on the fly.

#include <cstdint>
#include <string>
#include <string_view>

#include "book/book.h"

namespace bookline {

// A line without its end, its trailing blanks and a stray CR.
std::string_view clean(std::string_view line);

bool isComment(std::string_view line);
bool isPositionLine(std::string_view line);
// The text of a comment line without its mark ("#" or "//") and the blank after it.
std::string_view commentText(std::string_view line);

struct PositionLine {
    // BOARD TURN HAND as written, and the same with the hand in the usual order.
    std::string_view written;
    std::string key;
    int ply = 1;
};

// Reads "sfen BOARD TURN HAND [PLY]"; the reason in Japanese when it is not a position.
std::string readPositionLine(std::string_view line, PositionLine &out);

// Reads "MOVE [PONDER [VALUE [DEPTH [COUNT]]]] [#comment]"; the reason when it is not one.
std::string readMoveLine(std::string_view line, BookMove &out);

// Appends the move's line, with its line feed.
void writeMoveLine(const BookMove &move, std::string &out);

// Parses the lines after a position line (comments and moves; lines that are neither are passed
// over, their fault having been named when the book was opened) into `entry`, numbering them from
// `firstLine`.
void readBody(std::string_view body, std::uint32_t firstLine, BookEntry &entry);

// Adds `from`'s moves and comment to `into`: a move in both gets the sum of the counts.
void merge(BookEntry &into, BookEntry from);

}  // namespace bookline
