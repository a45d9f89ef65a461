#pragma once
// Building a book from game records: every position a record passes through within its first
// plies, with how often each move was played from it.

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "book/book.h"
#include "core/znban.h"
#include "record/notes.h"

struct BookBuildOptions {
    // Only the first `plies` moves of each record count.
    int plies = 40;
    // Only positions whose moves were played at least this many times in all are kept.
    std::uint64_t minCount = 1;
    // When set, only the moves of the player whose name (先手/後手, 下手/上手) contains it count,
    // and records without that player are passed over.
    std::string player;
    // Whether a record's branches count too, or only its main line.
    bool branches = true;
};

class BookBuilder {
public:
    explicit BookBuilder(BookBuildOptions options) : options_(std::move(options)) {}

    // Counts the moves of one record, read into `game` with `notes`; false when the player wanted
    // plays neither side.
    bool addRecord(ZnBan &game, const RecordNotes &notes);
    // Reads and counts a record file, or every record file in a folder and the folders in it (by
    // their extensions). What cannot be read is named in problems() and passed over.
    void addPath(const std::string &path);

    // The positions kept, sorted by key, their moves by count.
    std::vector<BookEntry> entries() const;
    // Adds the counts to `book`: new positions and moves come in, a move it holds gains the count.
    void addTo(Book &book) const;

    int records() const { return records_; }
    // Records read but without the player wanted.
    int recordsWithoutPlayer() const { return withoutPlayer_; }
    // Files that could not be read, each with its reason; moves the rules refuse, where a line stops.
    const std::vector<std::string> &problems() const { return problems_; }

private:
    struct Counted {
        int ply = 1;
        std::vector<std::pair<Move, std::uint64_t>> moves;
    };
    void addFile(const std::string &path);
    void count(const std::string &key, int ply, const Move &move);

    BookBuildOptions options_;
    std::unordered_map<std::string, Counted> positions_;
    int records_ = 0;
    int withoutPlayer_ = 0;
    std::vector<std::string> problems_;
};
