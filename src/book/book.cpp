// The book keeps the bytes it was read from and, per position, where its key and its lines lie in
// them: about forty bytes a position beside the text itself. Moves are parsed when a position is
// asked for; edits, merged duplicates and keys that had to be rewritten live in `owned_`.

#include "book/book.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>

#include "book/bookline.h"
#include "book/sortedbookfile.h"
#include "core/rules.h"
#include "record/notes.h"
#include "record/play.h"
#include "record/sfen.h"
#include "record/textlines.h"
#include "support/readfile.h"

struct Book::Slot {
    std::uint64_t key = 0;   // the key's offset in bytes_, unless owned
    std::uint64_t body = 0;  // the first byte after the position line
    std::uint64_t end = 0;   // the first byte after the position's last line
    std::uint32_t keyLength = 0;
    std::uint32_t line = 0;  // the position line's number
    std::int32_t owned = -1;
    std::int32_t ply = 1;
};

namespace {

constexpr std::array<char, KIND_COUNT> DROP_LETTERS = {'K', 'R', 'B', 'G', 'S', 'N', 'L', 'P'};

bool usiSquare(char file, char rank, Square &square) {
    if (file < '1' || file > '9' || rank < 'a' || rank > 'i') return false;
    square = static_cast<Square>(squareAt(rank - 'a', file - '1'));
    return true;
}

}  // namespace


bool readUsiWord(std::string_view word, Move &move) {
    move = Move{};
    if (word.size() == 4 && word[1] == '*') {
        for (PieceKind kind = KING; kind < KIND_COUNT; ++kind)
            if (DROP_LETTERS[kind] == word[0]) {
                move.dropKind = kind;
                return usiSquare(word[2], word[3], move.to);
            }
        return false;
    }
    if (word.size() != 4 && !(word.size() == 5 && word[4] == '+')) return false;
    move.promote = word.size() == 5;
    return usiSquare(word[0], word[1], move.from) && usiSquare(word[2], word[3], move.to) && move.from != move.to;
}

std::string bookKey(const ZnBan &game) {
    std::string sfen = positionSfen(game);
    sfen.erase(sfen.rfind(' '));
    return sfen;
}

bool bookMoveRanksBefore(const BookMove &a, const BookMove &b) {
    const std::uint64_t countA = a.count.value_or(0), countB = b.count.value_or(0);
    if (countA != countB) return countA > countB;
    return a.value.value_or(INT64_MIN) > b.value.value_or(INT64_MIN);
}

void sortBookMoves(std::vector<BookMove> &moves) { std::stable_sort(moves.begin(), moves.end(), bookMoveRanksBefore); }

Book::Book() = default;
Book::~Book() = default;
Book::Book(Book &&) noexcept = default;
Book &Book::operator=(Book &&) noexcept = default;

std::size_t Book::size() const { return slots_.size(); }

std::string_view Book::keyOf(const Slot &slot) const {
    if (slot.owned >= 0) return owned_[static_cast<std::size_t>(slot.owned)].sfen;
    return std::string_view(bytes_).substr(slot.key, slot.keyLength);
}

BookEntry Book::entryOf(const Slot &slot) const {
    if (slot.owned >= 0) return owned_[static_cast<std::size_t>(slot.owned)];
    BookEntry entry;
    entry.sfen = keyOf(slot);
    entry.ply = slot.ply;
    bookline::readBody(std::string_view(bytes_).substr(slot.body, slot.end - slot.body), slot.line + 1, entry);
    return entry;
}

std::size_t Book::lowerBound(std::string_view key) const {
    const auto found = std::lower_bound(slots_.begin(), slots_.end(), key,
                                        [this](const Slot &slot, std::string_view wanted) { return keyOf(slot) < wanted; });
    return static_cast<std::size_t>(found - slots_.begin());
}

std::optional<BookEntry> Book::find(std::string_view key) const {
    if (file_) return file_->find(key);
    const std::size_t at = lowerBound(key);
    if (at == slots_.size() || keyOf(slots_[at]) != key) return std::nullopt;
    return entryOf(slots_[at]);
}

bool Book::put(BookEntry entry) {
    if (file_) return false;
    const std::size_t at = lowerBound(entry.sfen);
    const bool present = at < slots_.size() && keyOf(slots_[at]) == entry.sfen;
    if (entry.moves.empty() && entry.comment.empty()) {
        if (present) slots_.erase(slots_.begin() + static_cast<std::ptrdiff_t>(at));
        return true;
    }
    if (present && slots_[at].owned >= 0) {
        owned_[static_cast<std::size_t>(slots_[at].owned)] = std::move(entry);
        return true;
    }
    Slot slot;
    slot.ply = entry.ply;
    slot.owned = static_cast<std::int32_t>(owned_.size());
    owned_.push_back(std::move(entry));
    if (present)
        slots_[at] = slot;
    else
        slots_.insert(slots_.begin() + static_cast<std::ptrdiff_t>(at), slot);
    return true;
}

bool Book::addAll(std::vector<BookEntry> entries) {
    if (file_) return false;
    std::stable_sort(entries.begin(), entries.end(),
                     [](const BookEntry &a, const BookEntry &b) { return a.sfen < b.sfen; });
    // One pass over both sorted lists keeps a large addition linear.
    std::vector<Slot> merged;
    merged.reserve(slots_.size() + entries.size());
    std::size_t held = 0;
    auto own = [this](BookEntry entry) {
        Slot slot;
        slot.ply = entry.ply;
        slot.owned = static_cast<std::int32_t>(owned_.size());
        owned_.push_back(std::move(entry));
        return slot;
    };
    for (std::size_t i = 0; i < entries.size(); ++i) {
        while (held < slots_.size() && keyOf(slots_[held]) < entries[i].sfen) merged.push_back(slots_[held++]);
        if (!merged.empty() && merged.back().owned >= 0 && keyOf(merged.back()) == entries[i].sfen) {
            bookline::merge(owned_[static_cast<std::size_t>(merged.back().owned)], std::move(entries[i]));
        } else if (held < slots_.size() && keyOf(slots_[held]) == entries[i].sfen) {
            BookEntry entry = entryOf(slots_[held++]);
            bookline::merge(entry, std::move(entries[i]));
            merged.push_back(own(std::move(entry)));
        } else {
            merged.push_back(own(std::move(entries[i])));
        }
    }
    while (held < slots_.size()) merged.push_back(slots_[held++]);
    slots_ = std::move(merged);
    return true;
}

void Book::forEach(const std::function<void(const BookEntry &)> &visit) const {
    for (const Slot &slot : slots_) visit(entryOf(slot));
}

std::string Book::text() const {
    std::string out;
    out.reserve(bytes_.size() + owned_.size() * 96 + 64);
    out += BOOK_FORMAT_LINE;
    out += '\n';
    forEach([&out](const BookEntry &visited) {
        if (visited.moves.empty() && visited.comment.empty()) return;
        BookEntry entry = visited;
        sortBookMoves(entry.moves);
        out.append("sfen ").append(entry.sfen).append(" ").append(std::to_string(entry.ply)).append("\n");
        for (std::size_t at = 0; !entry.comment.empty();) {
            const std::size_t end = std::min(entry.comment.find('\n', at), entry.comment.size());
            out.append("#").append(entry.comment, at, end - at).append("\n");
            if (end == entry.comment.size()) break;
            at = end + 1;
        }
        for (const BookMove &move : entry.moves) bookline::writeMoveLine(move, out);
    });
    return out;
}

SaveResult Book::save(const std::string &path) const {
    if (file_) return {false, "大きすぎて読み取り専用で開いた定跡は保存できません"};
    return saveFileSafely(path, text());
}

std::size_t Book::memoryBytes() const {
    std::size_t total = bytes_.capacity() + slots_.capacity() * sizeof(Slot) + owned_.capacity() * sizeof(BookEntry);
    for (const BookEntry &entry : owned_)
        total += entry.sfen.capacity() + entry.comment.capacity() + entry.moves.capacity() * sizeof(BookMove);
    return total;
}

// Reads a whole book in one pass over its lines, then sorts the index and merges what is given twice.
class BookReader {
public:
    BookReader(std::string bytes, const BookReadOptions &options, BookReadResult &result)
        : options_(options), result_(result) {
        result_.book.bytes_ = std::move(bytes);
    }

    void read() {
        Book &book = result_.book;
        const std::string_view text = book.bytes_;
        std::size_t at = text.starts_with("\xEF\xBB\xBF") ? 3 : 0;
        std::uint32_t number = 0;
        bool formatSeen = false;
        // Whether the lines now read belong to a position, and whether a position line failed.
        bool inPosition = false, afterBadPosition = false;
        bookline::PositionLine position;
        BookMove move;
        // The index is made its final size at once: growing it would hold two copies for a moment.
        book.slots_.reserve(countPositionLines(text));
        while (at < text.size()) {
            const char *newline = static_cast<const char *>(std::memchr(text.data() + at, '\n', text.size() - at));
            const std::size_t end = newline ? static_cast<std::size_t>(newline - text.data()) : text.size();
            const std::string_view line = bookline::clean(text.substr(at, end - at));
            const std::size_t lineStart = at;
            at = newline ? end + 1 : end;
            ++number;
            if (!formatSeen) {
                if (line.empty()) continue;
                if (!line.starts_with("#YANEURAOU-DB2016")) {
                    result_.reason = lineLabel(static_cast<int>(number)) + "定跡ファイルの形式の行（" +
                                     std::string(BOOK_FORMAT_LINE) + "）がありません";
                    return;
                }
                formatSeen = true;
                continue;
            }
            if (line.empty() || bookline::isComment(line)) continue;
            if (bookline::isPositionLine(line)) {
                closePosition(lineStart);
                if (std::string problem = bookline::readPositionLine(line, position); !problem.empty()) {
                    note(number, "局面の行が読めません（" + problem + "）。その指し手も読み飛ばします");
                    inPosition = false;
                    afterBadPosition = true;
                    continue;
                }
                Book::Slot slot;
                slot.body = at;
                slot.line = number;
                slot.ply = position.ply;
                if (position.written == position.key) {
                    slot.key = static_cast<std::uint64_t>(position.written.data() - text.data());
                    slot.keyLength = static_cast<std::uint32_t>(position.key.size());
                } else {
                    slot.owned = static_cast<std::int32_t>(book.owned_.size());
                    book.owned_.push_back(BookEntry{position.key, position.ply, {}, {}});
                }
                book.slots_.push_back(slot);
                inPosition = true;
                afterBadPosition = false;
                continue;
            }
            if (!inPosition) {
                if (!afterBadPosition) note(number, "局面の行より前に指し手があります。読み飛ばします");
                else ++result_.problemsUnnamed;
                continue;
            }
            if (std::string problem = bookline::readMoveLine(line, move); !problem.empty())
                note(number, problem + "。この行を読み飛ばします");
        }
        if (!formatSeen) {
            result_.reason = "定跡ファイルの形式の行（" + std::string(BOOK_FORMAT_LINE) + "）がありません";
            return;
        }
        closePosition(text.size());
        sortAndMerge();
        if (options_.checkMoves) checkMoves();
        result_.ok = true;
    }

private:
    static std::size_t countPositionLines(std::string_view text) {
        std::size_t count = text.starts_with("sfen") ? 1 : 0;
        const char *at = text.data(), *end = text.data() + text.size();
        while (const void *found = memmem(at, static_cast<std::size_t>(end - at), "\nsfen", 5)) {
            ++count;
            at = static_cast<const char *>(found) + 5;
        }
        return count;
    }

    void note(std::uint32_t line, std::string problem) {
        if (result_.problems.size() < options_.maxProblems)
            result_.problems.push_back(lineLabel(static_cast<int>(line)) + problem);
        else
            ++result_.problemsUnnamed;
    }

    void closePosition(std::size_t end) {
        Book &book = result_.book;
        if (book.slots_.empty() || book.slots_.back().end != 0) return;
        Book::Slot &slot = book.slots_.back();
        slot.end = std::max<std::uint64_t>(end, slot.body);
        // A position whose key had to be rewritten is parsed now: its entry is owned already.
        if (slot.owned >= 0) {
            BookEntry &entry = book.owned_[static_cast<std::size_t>(slot.owned)];
            bookline::readBody(std::string_view(book.bytes_).substr(slot.body, slot.end - slot.body), slot.line + 1,
                               entry);
        }
    }

    void sortAndMerge() {
        Book &book = result_.book;
        // Duplicates stay in the file's order, by line, so the first one read leads the merge; a sort
        // in place needs no second index.
        auto less = [&book](const Book::Slot &a, const Book::Slot &b) {
            const int order = book.keyOf(a).compare(book.keyOf(b));
            return order < 0 || (order == 0 && a.line < b.line);
        };
        // Books are written sorted; only an unsorted one pays for the sort.
        if (!std::is_sorted(book.slots_.begin(), book.slots_.end(), less))
            std::sort(book.slots_.begin(), book.slots_.end(), less);
        const auto same = [&book](const Book::Slot &a, const Book::Slot &b) { return book.keyOf(a) == book.keyOf(b); };
        if (std::adjacent_find(book.slots_.begin(), book.slots_.end(), same) == book.slots_.end()) return;
        std::vector<Book::Slot> merged;
        merged.reserve(book.slots_.size());
        for (std::size_t i = 0; i < book.slots_.size();) {
            std::size_t j = i + 1;
            while (j < book.slots_.size() && book.keyOf(book.slots_[j]) == book.keyOf(book.slots_[i])) ++j;
            if (j == i + 1) {
                merged.push_back(book.slots_[i]);
            } else {
                BookEntry entry = book.entryOf(book.slots_[i]);
                for (std::size_t k = i + 1; k < j; ++k) bookline::merge(entry, book.entryOf(book.slots_[k]));
                Book::Slot slot = book.slots_[i];
                slot.owned = static_cast<std::int32_t>(book.owned_.size());
                book.owned_.push_back(std::move(entry));
                merged.push_back(slot);
            }
            i = j;
        }
        book.slots_ = std::move(merged);
    }

    void checkMoves() {
        Book &book = result_.book;
        for (Book::Slot &slot : book.slots_) {
            BookEntry entry = book.entryOf(slot);
            ZnBan game;
            RecordNotes notes;
            if (!readSfen(game, notes, "sfen " + entry.sfen).ok) {
                note(slot.line, "この局面は盤に並べられません。その指し手を読み飛ばします");
                entry.moves.clear();
            } else {
                std::vector<std::string> dropped = dropIllegalMoves(game, entry);
                if (dropped.empty()) continue;
                for (std::string &problem : dropped) {
                    if (result_.problems.size() < options_.maxProblems)
                        result_.problems.push_back(std::move(problem));
                    else
                        ++result_.problemsUnnamed;
                }
            }
            if (slot.owned >= 0) {
                book.owned_[static_cast<std::size_t>(slot.owned)] = std::move(entry);
            } else {
                slot.owned = static_cast<std::int32_t>(book.owned_.size());
                book.owned_.push_back(std::move(entry));
            }
        }
    }

    const BookReadOptions &options_;
    BookReadResult &result_;
};

BookReadResult readBook(std::string bytes, const BookReadOptions &options) {
    BookReadResult result;
    BookReader(std::move(bytes), options, result).read();
    if (!result.ok) result.book = Book{};
    return result;
}

// Opens the too-large book on the fly, for the Book's private parts.
struct BookOpener {
    static BookReadResult onTheFly(const std::string &path) {
        BookReadResult result;
        std::string reason;
        std::unique_ptr<SortedBookFile> file = SortedBookFile::open(path, reason);
        if (!file) {
            result.reason = reason;
            return result;
        }
        result.book.file_ = std::move(file);
        result.ok = true;
        return result;
    }
};

BookReadResult openBook(const std::string &path, const BookOpenOptions &options) {
    struct stat info {};
    if (stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
        static_cast<std::uint64_t>(info.st_size) > options.maxInMemory)
        return BookOpener::onTheFly(path);
    FileBytes read = readRegularFile(path, static_cast<std::size_t>(options.maxInMemory));
    if (!read.ok) {
        BookReadResult result;
        result.reason = read.reason;
        return result;
    }
    return readBook(std::move(read.bytes), options.read);
}

std::vector<std::string> dropIllegalMoves(const ZnBan &game, BookEntry &entry) {
    std::vector<std::string> dropped;
    const bool byRules = rulesProblem(game).empty();
    std::vector<BookMove> kept;
    kept.reserve(entry.moves.size());
    for (BookMove &move : entry.moves) {
        std::string reason;
        if (byRules) {
            if (const Refusal refusal = checkMove(game, move.move); refusal != Refusal::None)
                reason = refusalText(refusal);
        } else {
            reason = refusalText(game.refusal(move.move));
        }
        if (reason.empty()) {
            kept.push_back(std::move(move));
            continue;
        }
        dropped.push_back((move.line > 0 ? lineLabel(static_cast<int>(move.line)) : std::string()) + "指し手「" +
                          usiMoveWord(move.move) + "」はこの局面で指せません（" + reason + "）。除きます");
    }
    entry.moves = std::move(kept);
    return dropped;
}

BookMoves movesFor(const Book &book, const ZnBan &game) {
    BookMoves result;
    result.entry = book.find(bookKey(game));
    if (result.entry) result.dropped = dropIllegalMoves(game, *result.entry);
    return result;
}
