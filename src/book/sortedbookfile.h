#pragma once
// A book too large for memory, searched in its file: the positions are sorted by their SFEN lines,
// so a position is found by halving the byte range of the file, reading a few kilobytes each time.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "book/book.h"

class SortedBookFile {
public:
    // Opens the file and checks its format line; empty with `reason` set when it cannot be used.
    static std::unique_ptr<SortedBookFile> open(const std::string &path, std::string &reason);
    ~SortedBookFile();
    SortedBookFile(const SortedBookFile &) = delete;
    SortedBookFile &operator=(const SortedBookFile &) = delete;

    // The position with this key (positions given twice in a row merged); empty when absent or
    // when the file cannot be read.
    std::optional<BookEntry> find(std::string_view key) const;
    std::uint64_t fileSize() const { return size_; }

private:
    SortedBookFile(int fd, std::uint64_t size) : fd_(fd), size_(size) {}
    struct Found {
        std::uint64_t start = 0, bodyStart = 0;
        std::string key;
        int ply = 1;
    };
    // The first position line that starts at `from` or later.
    std::optional<Found> positionFrom(std::uint64_t from) const;
    // The line starting at `offset` (without its end) and where the next line starts.
    bool lineAt(std::uint64_t offset, std::string &line, std::uint64_t &next) const;

    int fd_ = -1;
    std::uint64_t size_ = 0;
};
