#pragma once
// Opening books in the standard text format engines keep them in ("#YANEURAOU-DB2016 1.00"): per
// position a line "sfen BOARD TURN HAND PLY", then its moves, one a line, "MOVE PONDER VALUE DEPTH
// COUNT", the last three optional. Positions are matched without the ply number.
//
// A book read from text keeps the file's bytes and an index of its positions sorted by SFEN, each
// position's moves parsed only when asked for, so that a book of a hundred megabytes opens in about
// a second and takes little more memory than its size. A position that was edited, merged from
// duplicates or written unusually lives parsed beside the bytes.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/movegen.h"
#include "core/znban.h"
#include "support/savefile.h"

// The format line every book starts with.
inline constexpr std::string_view BOOK_FORMAT_LINE = "#YANEURAOU-DB2016 1.00";

struct BookMove {
    Move move;
    // The expected answer; empty for "none".
    std::optional<Move> ponder;
    // The engine's score, the depth it searched and how often the move was played; each may be
    // missing from a line ("none", or left off its end).
    std::optional<std::int64_t> value;
    std::optional<std::int64_t> depth;
    std::optional<std::uint64_t> count;
    // Text after "#" at the end of the move's line.
    std::string comment;
    // The line the move was read from, 0 when it was not read from a file.
    std::uint32_t line = 0;
};

struct BookEntry {
    // BOARD TURN HAND, without the ply number: the key positions are matched by.
    std::string sfen;
    int ply = 1;
    // Comment lines under the position line, joined by line feeds.
    std::string comment;
    std::vector<BookMove> moves;
};

// The key of the position the game shows: its SFEN without the ply number.
std::string bookKey(const ZnBan &game);

// The reading of a move's USI word (usiMoveWord writes it); false when it is not one. A king's
// drop is read, so that a book holding one can name it.
bool readUsiWord(std::string_view word, Move &move);

// Whether a written book lists `a` before `b`, whatever their order in the book: a higher count, or
// the same count and a higher value (a missing count as 0, a missing value lowest).
bool bookMoveRanksBefore(const BookMove &a, const BookMove &b);
// Orders a position's moves as a book lists them: by count, then value, both highest first; stable,
// so that moves of the same count and value keep the book's own order.
void sortBookMoves(std::vector<BookMove> &moves);

class SortedBookFile;

class Book {
public:
    Book();
    ~Book();
    Book(Book &&) noexcept;
    Book &operator=(Book &&) noexcept;

    // The number of positions.
    std::size_t size() const;
    bool empty() const { return size() == 0; }
    // Whether the book is read from its sorted file as it is asked (too large for memory), and so
    // cannot be edited.
    bool onTheFly() const { return file_ != nullptr; }

    // The position with this key, parsed; empty when the book does not hold it.
    std::optional<BookEntry> find(std::string_view key) const;
    // Replaces the position with the entry's key, or adds it; an entry without moves and comment
    // removes the position. False for a book read on the fly.
    bool put(BookEntry entry);
    // Adds many positions at once (a book built from records): a position the book holds already
    // gains the moves and, for a move it holds, the count. False for a book read on the fly.
    bool addAll(std::vector<BookEntry> entries);
    // Calls `visit` for every position in the order of their keys.
    void forEach(const std::function<void(const BookEntry &)> &visit) const;

    // The whole book as text: the format line, then the positions sorted by their SFEN lines, each
    // with its moves by count, then value; a position without moves or comment is left out.
    std::string text() const;
    // Writes text() to `path` through the safe save.
    SaveResult save(const std::string &path) const;

    // The bytes and index kept in memory, for measuring.
    std::size_t memoryBytes() const;

private:
    friend class BookReader;
    friend struct BookOpener;
    struct Slot;
    std::string_view keyOf(const Slot &slot) const;
    BookEntry entryOf(const Slot &slot) const;
    std::size_t lowerBound(std::string_view key) const;

    std::string bytes_;
    std::vector<Slot> slots_;
    std::vector<BookEntry> owned_;
    std::unique_ptr<SortedBookFile> file_;
};

struct BookReadOptions {
    // Builds each position and drops the moves its rules refuse, naming them. Costs a position
    // set-up per entry, so a large book is better checked as its positions are shown (movesFor).
    bool checkMoves = true;
    // At most this many problems are named; the rest are counted.
    std::size_t maxProblems = 100;
};

struct BookReadResult {
    bool ok = false;
    // Why the whole book was refused (no format line), in Japanese.
    std::string reason;
    // The lines skipped and moves dropped, each with its line number, in Japanese.
    std::vector<std::string> problems;
    // How many problems there were beyond those named.
    std::size_t problemsUnnamed = 0;
    Book book;
};

// Reads a whole book from its text. Lines may end in CR LF, a byte-order mark may lead, blank lines
// and comment lines ("#", "//") may stand anywhere; a position given twice is merged into one. A
// position line that is not a position, a move line before any position or one that is not a move
// is skipped with its line number; only a text without the format line is refused.
BookReadResult readBook(std::string bytes, const BookReadOptions &options = {});

struct BookOpenOptions {
    BookReadOptions read;
    // A file larger than this is not read into memory but searched on the fly, and must be sorted.
    std::uint64_t maxInMemory = std::uint64_t{1} << 31;
};

// Opens the book at `path`: read into memory when it fits, else searched in the sorted file.
BookReadResult openBook(const std::string &path, const BookOpenOptions &options = {});

// A position's moves checked against the game they are played in.
struct BookMoves {
    std::optional<BookEntry> entry;
    // The moves the rules refuse in that position, dropped from `entry`, with their lines.
    std::vector<std::string> dropped;
};

// The book's moves for the position the game shows, without those its rules refuse there.
BookMoves movesFor(const Book &book, const ZnBan &game);

// Drops from `entry` the moves the game's rules refuse, naming each; `game` shows the position.
std::vector<std::string> dropIllegalMoves(const ZnBan &game, BookEntry &entry);
