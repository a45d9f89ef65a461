#include "book/sortedbookfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "book/bookline.h"
#include "support/syserror.h"

namespace {

// A line longer than this is no line of a book; reading stops there.
constexpr std::size_t MAX_LINE = 1 << 20;
constexpr std::size_t CHUNK = 4096;

}  // namespace

std::unique_ptr<SortedBookFile> SortedBookFile::open(const std::string &path, std::string &reason) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        reason = systemErrorText(errno);
        return nullptr;
    }
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        reason = "通常のファイルではありません";
        ::close(fd);
        return nullptr;
    }
    std::unique_ptr<SortedBookFile> file(new SortedBookFile(fd, static_cast<std::uint64_t>(info.st_size)));
    std::string first;
    std::uint64_t next = 0;
    if (!file->lineAt(0, first, next)) {
        reason = "読み込めません";
        return nullptr;
    }
    if (first.starts_with("\xEF\xBB\xBF")) first.erase(0, 3);
    if (!bookline::clean(first).starts_with("#YANEURAOU-DB2016")) {
        reason = "定跡ファイルの形式の行（" + std::string(BOOK_FORMAT_LINE) + "）がありません";
        return nullptr;
    }
    return file;
}

SortedBookFile::~SortedBookFile() {
    if (fd_ >= 0) ::close(fd_);
}

bool SortedBookFile::lineAt(std::uint64_t offset, std::string &line, std::uint64_t &next) const {
    line.clear();
    char buffer[CHUNK];
    while (offset < size_ && line.size() < MAX_LINE) {
        const ssize_t got = pread(fd_, buffer, sizeof buffer, static_cast<off_t>(offset));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        const std::string_view chunk(buffer, static_cast<std::size_t>(got));
        const std::size_t end = chunk.find('\n');
        if (end != std::string_view::npos) {
            line.append(chunk.substr(0, end));
            next = offset + end + 1;
            return true;
        }
        line.append(chunk);
        offset += static_cast<std::uint64_t>(got);
    }
    next = size_;
    return offset >= size_;
}

std::optional<SortedBookFile::Found> SortedBookFile::positionFrom(std::uint64_t from) const {
    std::string line;
    std::uint64_t at = 0, next = 0;
    if (from > 0) {
        // The line holding byte from - 1 ends before any line that starts at `from` or later.
        if (!lineAt(from - 1, line, next)) return std::nullopt;
        at = next;
    }
    while (at < size_) {
        if (!lineAt(at, line, next)) return std::nullopt;
        const std::string_view text = bookline::clean(line);
        bookline::PositionLine position;
        if (bookline::isPositionLine(text) && bookline::readPositionLine(text, position).empty())
            return Found{at, next, std::move(position.key), position.ply};
        at = next;
    }
    return std::nullopt;
}

std::optional<BookEntry> SortedBookFile::find(std::string_view key) const {
    // The first byte offset from which the next position's key is not below `key`.
    std::uint64_t low = 0, high = size_;
    while (low < high) {
        const std::uint64_t middle = low + (high - low) / 2;
        const std::optional<Found> found = positionFrom(middle);
        if (!found || found->key >= key)
            high = middle;
        else
            low = middle + 1;
    }
    std::optional<Found> found = positionFrom(low);
    if (!found || found->key != key) return std::nullopt;
    BookEntry entry;
    entry.sfen = std::string(key);
    entry.ply = found->ply;
    bool first = true;
    while (found && found->key == key) {
        // The body runs to the next position line.
        const std::optional<Found> after = positionFrom(found->bodyStart);
        const std::uint64_t end = after ? after->start : size_;
        std::string body;
        std::string line;
        std::uint64_t at = found->bodyStart, next = 0;
        while (at < end && lineAt(at, line, next)) {
            body.append(line).append("\n");
            at = next;
        }
        BookEntry part;
        part.sfen = entry.sfen;
        part.ply = found->ply;
        bookline::readBody(body, 0, part);
        for (BookMove &move : part.moves) move.line = 0;
        if (first)
            entry = std::move(part);
        else
            bookline::merge(entry, std::move(part));
        first = false;
        found = after;
    }
    return entry;
}
